#pragma once
// Switches the texts' language for one scope of a test and back: the core's messages are checked
// in the language they are given in, the windows in each language.

#include "resources/resources.h"

namespace kavrin::test {

class TLanguageScope {
public:
    explicit TLanguageScope(resources::TLanguage language) : before_(resources::CurrentLanguage()) {
        resources::SetLanguage(language);
    }
    ~TLanguageScope() { resources::SetLanguage(before_); }
    TLanguageScope(const TLanguageScope&) = delete;
    TLanguageScope& operator=(const TLanguageScope&) = delete;

private:
    resources::TLanguage before_;
};

}  // namespace kavrin::test
