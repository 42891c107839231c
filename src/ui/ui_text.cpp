#include "ui/ui_text.h"

#include "resources/resources.h"

namespace kavrin::ui {

QString UiString(int id) { return FromCore(resources::GetUIString(id)); }

}  // namespace kavrin::ui
