#include "tokenizer/errors.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "tokenizer/tokenizer.h"

namespace kavrin::tokenizer {

namespace {

struct NumberedMessage {
    int number;
    const char* text;
};

// The complete list; the double spaces after full stops are part of the texts.
constexpr std::array kMessages = {
    NumberedMessage{101, "101-Expected character(s)"},
    NumberedMessage{102, "102-Expected terminating \""},
    NumberedMessage{103, "103-Unrecognized character"},
    NumberedMessage{104, "104-Expected hex digit"},
    NumberedMessage{105, "105-Expected binary digit"},
    NumberedMessage{106, "106-Symbol exceeds 32 characters"},
    NumberedMessage{107, "107-Too many elements"},
    NumberedMessage{108, "108-Constant exceeds 16 digits"},
    NumberedMessage{109, "109-Constant exceeds 16 bits"},
    NumberedMessage{110, "110-Undefined symbol"},
    NumberedMessage{111, "111-Undefined label"},
    NumberedMessage{112, "112-Expected a constant"},
    NumberedMessage{113, "113-Cannot divide by 0"},
    NumberedMessage{114, "114-Location is out of range"},
    NumberedMessage{115, "115-Location already contains data"},
    NumberedMessage{116, "116-Expected '?'"},
    NumberedMessage{117, "117-Label is already defined"},
    NumberedMessage{118, "118-Expected '\\'"},
    NumberedMessage{119, "119-Expected '('"},
    NumberedMessage{120, "120-Expected ')'"},
    NumberedMessage{121, "121-Expected '['"},
    NumberedMessage{122, "122-Expected ']'"},
    NumberedMessage{123, "123-Symbol is already defined"},
    NumberedMessage{124, "124-Data occupies same location as program"},
    NumberedMessage{125, "125-Array size cannot be 0"},
    NumberedMessage{126, "126-Out of variable space"},
    NumberedMessage{127, "127-EEPROM full"},
    NumberedMessage{128, "128-Symbol table full"},
    NumberedMessage{129, "129-Expected ':' or end-of-line"},
    NumberedMessage{130, "130-Expected ',', end-of-line, or ':'"},
    NumberedMessage{131, "131-Expected 'STEP', end-of-line, or ':'"},
    NumberedMessage{132, "132-'NEXT' must be preceded by 'FOR'"},
    NumberedMessage{133, "133-Expected ','"},
    NumberedMessage{134, "134-Expected ',' or ']'"},
    NumberedMessage{135, "135-Expected a variable"},
    NumberedMessage{136, "136-Expected a byte variable"},
    NumberedMessage{137, "137-Expected a variable modifier"},
    NumberedMessage{138, "138-Variable is already bit-size"},
    NumberedMessage{139, "139-Expected a smaller-size variable modifier"},
    NumberedMessage{140, "140-Variable modifier is out-of-range"},
    NumberedMessage{141, "141-Expected a constant, variable, unary operator, or '('"},
    NumberedMessage{142, "142-Expected a binary operator or ')'"},
    NumberedMessage{143, "143-Expected a comparison operator or '['"},
    NumberedMessage{144, "144-Expression is too complex"},
    NumberedMessage{145, "145-Limit of 255 GOSUBs exceeded"},
    NumberedMessage{146, "146-Limit of 16 nested FOR-NEXT loops exceeded"},
    NumberedMessage{147, "147-Limit of 6 values exceeded"},
    NumberedMessage{148, "148-Expected a label"},
    NumberedMessage{149, "149-Expected a label, variable, or instruction"},
    NumberedMessage{150, "150-Expected '='"},
    NumberedMessage{151, "151-Expected 'THEN'"},
    NumberedMessage{152, "152-Expected 'TO'"},
    NumberedMessage{153, "153-Expected a filename"},
    NumberedMessage{154, "154-Expected a directive"},
    NumberedMessage{155, "155-Duplicate directive"},
    NumberedMessage{156, "156-Unknown target module.  $KORBLE directive not found"},
    NumberedMessage{157, "157-Nothing to tokenize"},
    NumberedMessage{158, "158-Limit of 16 nested IF-THEN statements exceeded"},
    NumberedMessage{159, "159-'ELSE' must be preceded by 'IF' or 'CASE'"},
    NumberedMessage{160, "160-'ENDIF' must be preceded by 'IF'"},
    NumberedMessage{161, "161-Expected a label, variable, instruction, or 'ENDIF'"},
    NumberedMessage{162, "162-Expected a label, variable, instruction, or end-of-line"},
    NumberedMessage{163, "163-Limit of 16 nested DO-LOOP statements exceeded"},
    NumberedMessage{164, "164-'LOOP' must be preceded by 'DO'"},
    NumberedMessage{165,
                    "165-'WHILE' or 'UNTIL' conditions cannot appear after both 'DO' and 'LOOP'"},
    NumberedMessage{166, "166-Expected 'WHILE', 'UNTIL', end-of-line, or ':'"},
    NumberedMessage{167, "167-'EXIT' only allowed within FOR-NEXT and DO-LOOP structures"},
    NumberedMessage{168, "168-'IF' without 'ENDIF'"},
    NumberedMessage{169, "169-'FOR' without 'NEXT'"},
    NumberedMessage{170, "170-'DO' without 'LOOP'"},
    NumberedMessage{171, "171-Limit of 16 EXIT statements within loop structure exceeded"},
    NumberedMessage{172, "172-Expected variable or 'WORD'"},
    NumberedMessage{173, "173-Expected a word variable"},
    NumberedMessage{174, "174-Label is missing ':'"},
    NumberedMessage{175, "175-Pin number must be 0 to 15"},
    NumberedMessage{176, "176-Expected a label, variable, instruction, or 'NEXT'"},
    NumberedMessage{177, "177-Expected a label, variable, instruction, or 'LOOP'"},
    NumberedMessage{178, "178-Limit of 16 nested SELECT statements exceeded"},
    NumberedMessage{179, "179-Expected 'CASE'"},
    NumberedMessage{180, "180-'CASE' must be preceded by 'SELECT'"},
    NumberedMessage{181, "181-Limit of 16 CASE statements within SELECT structure exceeded"},
    NumberedMessage{182, "182-Expected a label, variable, instruction, or 'ENDSELECT'"},
    NumberedMessage{183, "183-'ENDSELECT' must be preceded by 'SELECT'"},
    NumberedMessage{184, "184-'SELECT' without 'ENDSELECT'"},
    NumberedMessage{185, "185-Expected 'GOTO' or 'GOSUB'"},
    NumberedMessage{186, "186-Constant cannot be less than 1"},
    NumberedMessage{187, "187-Invalid VELIC version number.  Must be 1.0, 2.0 or 2.5"},
    NumberedMessage{188, "188-Expected number, editor directive, #DEFINE'd symbol, or '-'"},
    NumberedMessage{189, "189-Illegal operator in conditional-compile directive"},
    NumberedMessage{190, "190-Expected #THEN"},
    NumberedMessage{191, "191-'#IF' without '#ENDIF'"},
    NumberedMessage{192, "192-'#SELECT' without '#ENDSELECT'"},
    NumberedMessage{193, "193-'#ELSE' must be preceded by '#IF'"},
    NumberedMessage{194, "194-'#ENDIF' must be preceded by '#IF'"},
    NumberedMessage{195, "195-Illegal symbol in conditional-compile directive"},
    NumberedMessage{196, "196-Expected a user-defined symbol"},
    NumberedMessage{197, "197-Limit of 16 nested #IF-#THEN statements exceeded"},
    NumberedMessage{198, "198-Expected a character or ASCII value"},
    NumberedMessage{199, "199-"},
    NumberedMessage{200, "200-Expected '#ENDIF'"},
    NumberedMessage{201, "201-Expected '}'"},
    NumberedMessage{203,
                    "203-Expected '}'.  Can not specify more than 7 additional project files."},
    NumberedMessage{204, "204-Expected a target module: KR1, KR2, KR3, KR4, KR5, or KR6"},
    NumberedMessage{208, "208-Expected COM Port name: COM1, COM2, etc"},
    NumberedMessage{218, "218-Limit of 16 nested #SELECT statements exceeded"},
    NumberedMessage{219, "219-Expected '#CASE'"},
    NumberedMessage{220, "220-'#CASE' must be preceded by '#SELECT'"},
    NumberedMessage{221, "221-'#ENDSELECT' must be preceded by '#SELECT'"},
    NumberedMessage{222, "222-Expected a declaration, run-time statement, or '#ENDIF'"},
    NumberedMessage{223, "223-Expected a declaration, run-time statement, or '#ENDSELECT'"},
    NumberedMessage{224, "224-Expected '#ELSE'"},
    NumberedMessage{225, "225-Expected number, editor directive, or #DEFINE'd symbol"},
    NumberedMessage{226, "226-Expected statements to follow previous 'CASE'"},
    NumberedMessage{227, "227-Expected a constant, variable or 'WORD'"},
    NumberedMessage{228, "228-'ELSEIF' must be preceded by 'IF'"},
    NumberedMessage{229, "229-Limit of 16 ELSEIF statements within IF structure exceeded"},
    NumberedMessage{230, "230-'ELSEIF' not allowed after 'ELSE'"},
    NumberedMessage{231, "231-Invalid VELIC version number.  Must be 1.0 for KR1 module"},
    NumberedMessage{232,
                    "232-Invalid VELIC version number.  Must be 2.0 or 2.5 for KR2-type modules."},
};

// Used for a number that is not in the list, so that a slip in a caller still fails loudly.
constexpr const char* kUnknownErrorText = "000-Internal tokenizer error";

// Copies the text so that its terminator lands on the last byte of SourceText.
const char* PlaceMessage(TTokenizerResult& r, std::string_view text) {
    const std::size_t length = std::min(text.size(), kMessageAreaSize - 1);
    char* first = r.SourceText.data() + (kSourceBufferSize - 1 - length);
    std::memcpy(first, text.data(), length);
    r.SourceText[kSourceBufferSize - 1] = '\0';
    return first;
}

}  // namespace

const char* ErrorText(int number) {
    for (const NumberedMessage& m : kMessages) {
        if (m.number == number) return m.text;
    }
    return nullptr;
}

void RaiseMessage(TTokenizerResult& r, std::string_view text) {
    r.ErrorMessage = PlaceMessage(r, text);
    throw ETokenizeError{.messageWritten = true};
}

void RecordError(TTokenizerResult& r, const ETokenizeError& e) {
    if (e.atSpan) {
        r.ErrorPos = e.pos;
        r.ErrorLength = e.length;
    }
    if (e.messageWritten) return;
    const char* text = ErrorText(e.number);
    r.ErrorMessage = PlaceMessage(r, text ? text : kUnknownErrorText);
}

void RecordInternalError(TTokenizerResult& r, std::string_view what) {
    // Built in place: the run allocates nothing, not even when it fails.
    std::array<char, kMessageAreaSize> text{};
    const std::string_view prefix = kUnknownErrorText;
    std::size_t length = prefix.copy(text.data(), text.size());
    length += std::string_view(": ").copy(text.data() + length, text.size() - length);
    length += what.copy(text.data() + length, text.size() - length);
    r.ErrorMessage = PlaceMessage(r, std::string_view(text.data(), length));
    r.Success = 0;
}

void RaiseError(int number) { throw ETokenizeError{.number = number}; }

void RaiseErrorAt(int number, int pos, int length) {
    throw ETokenizeError{.number = number, .atSpan = true, .pos = pos, .length = length};
}

}  // namespace kavrin::tokenizer
