// The embedded resource store: lookup, the UI string table, the small start-up resources with
// their fallbacks, and the byte form of the text resources.

#include "resources/resources.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace kavrin::resources {
namespace {

std::string Text(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

// The texts of this build, kept here independently of the table in resources/WSDATA so that a
// slip in either shows up.
const std::vector<std::pair<int, std::string>> kExpectedStrings = {
    {366, "Για αρχάριους"},
    {367, "Για προχωρημένους"},
    {368, "πιλέξτε λειτουργία"},
    {369, "Βήμα #"},
    {370, "Ενέργειες"},
    {371, "Μαζί"},
    {372, "Αριστερά"},
    {373, "Δεξιά"},
    {374, " sec"},
    {375, "Βήμα "},
    {376, "Ενεργ. βοήθεια"},
    {377, " "},
    {378, "Σειριακός Η/Υ"},
    {379, "Αυτόματα"},
    {380, "Ενεργ. αισθητήρες"},
    {381, "Θύρα:"},
    {382, "Τύπος διάταξης:"},
    {383, "Έκδοση:"},
    {384, "Βρόχος δοκιμής:"},
    {385, "Ανάκλαση:"},
    {386, "Παράβλεψη"},
    {387, "Ναι"},
    {388, "Όχι"},
    {389, "Άκυρη θύρα"},
    {390, "Δεν ανοίγει η θύρα. Χρησιμοποιείται."},
    {391, "Δεν ανοίγει η θύρα."},
    {392, "Αποτυχία επιβεβαίωσης EEPROM!"},
    {393, "Αποτυχία επικοινωνίας υλικού! Ελέγξτε το σειριακό καλώδιο και την τροφοδοσία ρεύματος."},
    {394, "Αυτή η θύρα δεν υπάρχει ή δεν έχει γίνει σωστή ρύθμιση παραμέτρων."},
    {395,
     "Δεν επιτρέπεται η πρόσβαση.  Η θύρα αυτή ίσως χρησιμοποιείται ήδη από κάποια άλλη διάταξη."},
    {396, "Δεν είναι δυνατό το άνοιγμα της θύρας: "},
    {397, "Δεν είναι δυνατή η δημιουργία μπλοκ ελέγχου δεδομένων για τη σειριακή θύρα."},
    {398, "Κίνηση εμπρός"},
    {399, "Κίνηση πίσω"},
    {400, "Στροφή αριστερά"},
    {401, "Στροφή δεξιά"},
    {402, "Περιστροφή αριστερά"},
    {403, "Περιστροφή δεξιά"},
    {404, "Στάση και αναμονή"},
    {405, "Ελιγμός προς τα πίσω"},
    {406, "Όλες"},
    {407, "Σετ1"},
    {408, "Σετ2"},
    {409, "Σετ3"},
    {410, "Σετ4"},
    {411, "Ρομπότ"},
    {412, "Δεν βρέθηκε το ρομπότ"},
    {413,
     "Περισσότερες από μία διατάξεις είναι συνδεδεμένες με τον υπολογιστή σας. Κάντε κλικ στην "
     "επιθυμητή μονάδα από τη λίστα που ακολουθεί και στη συνέχεια κάντε κλικ στο κουμπί «Λήψη»."},
    {414, "Λειτουργία ελέγχου"},
    {415, "Εύρος παλμού"},
    {416, "Ενεργοποιημένος αριστερός σερβοκινητήρας"},
    {417, "Ενεργοποιημένος δεξιός σερβοκινητήρας"},
    {418, "Πίσω όψη"},
    {419, "Εκτέλεση ελέγχου"},
    {420, "Ορισμός προεπιλογών"},
    {421, "Βαθμονόμηση σερβοκινητήρων"},
    {422, "Άκυρο"},
    {423, "Εξέλιξη λήψης"},
    {424, "Κατάσταση θύρας:"},
    {425, "Κατάσταση λήψης:"},
    {426, "Σάρωση..."},
    {427, "Δεν έχει γίνει αποθήκευση της τρέχουσας λίστας ενέργειας. Να αποθηκευτεί τώρα;"},
    {428, " "},
    {429, " "},
    {430,
     "Συνδέστε τη σειριακή θύρα με το ρομπότ και επιλέξτε τη σωστή θύρα COM. Κατόπιν επιλέξτε και "
     "σύρετε τις ενέργειες που θέλετε να εκτελέσει το ρομπότ. Κάντε κλικ στο κουμπί «Εκτέλεση»,  "
     "ώστε να εκτελεστούν οι ενέργειες."},
    {431,
     "Κάντε κλικ και σύρετε την ενέργεια αυτή, για να την εισαγάγετε στη λίστα «Ενέργειες που θα "
     "εκτελεστούν» ή «Ενέργειες αισθητήρων»."},
    {432,
     "Μπορείτε να ρυθμίσετε εκ νέου τα βήματα αυτά, επιλέγοντας τον αριθμό ενός βήματος και "
     "σύροντάς τον στην επιθυμητή θέση."},
    {433,
     "Κάντε κλικ στη σειρά όπου θέλετε να μεταβείτε ή, εάν θέλετε να ακυρώσετε την ενέργεια, "
     "πιέστε το πλήκτρο Esc του πληκτρολογίου."},
    {434,
     "Αυτή είναι η λίστα ενεργειών που θα εκτελέσει το ρομπότ. Σύρετε και αποθέστε νέες ενέργειες "
     "από το πλαίσιο ενεργειών (αριστερά) σε αυτήν τη λίστα."},
    {435,
     "Σύρετε εδώ μια ομάδα αισθητήρων ώστε να προκαλέσετε την εκτέλεση των ενεργειών της ομάδας, "
     "εάν οι αισθητήρες αριστερά και δεξιά ενεργοποιούνται ταυτόχρονα."},
    {436,
     "Σύρετε εδώ μια ομάδα αισθητήρων ώστε να προκαλέσετε την εκτέλεση των ενεργειών της ομάδας, "
     "εάν ενεργοποιούνται μόνο οι αισθητήρες αριστερά."},
    {437,
     "Σύρετε εδώ μια ομάδα αισθητήρων ώστε να προκαλέσετε την εκτέλεση των ενεργειών της ομάδας, "
     "εάν ενεργοποιούνται μόνο οι αισθητήρες δεξιά."},
    {438,
     "Αυτή είναι μια λίστα ενεργειών που θα εκτελεστούν όταν ενεργοποιηθούν οι αισθητήρες. Η λίστα "
     "«Όλες» προβάλλει τις προεπιλεγμένες ενέργειες, όταν ενεργοποιηθεί ένας αισθητήρας."},
    {439,
     "Οι λίστες «Ομάδα1» έως «Ομάδα4» προβάλλουν τις ενέργειες που θα εκτελεστούν όταν "
     "ενεργοποιηθεί ένας αισθητήρας. Σύρετε το σύμβολο συν (+) επάνω, για να εισαγάγετε την ομάδα "
     "αυτή στις στήλες «Μαζί», «Αριστερά» ή «Δεξιά» της λίστας «Ενέργειες που θα εκτελεστούν»."},
    {440,
     "Με αυτήν την επιλογή μπορείτε να ενεργοποιήσετε ή να απενεργοποιήσετε όλους τους "
     "αισθητήρες."},
    {441,
     "Με αυτή την επιλογή μπορείτε να ενεργοποιήσετε ή να απενεργοποιήσετε αυτήν τη δυνατότητα "
     "βοήθειας."},
    {442,
     "Αποθέστε αυτή την ενέργεια επάνω στον επιθυμητό αριθμό ενέργειας, για να την εισαγάγετε ή να "
     "την προσαρτήσετε στη λίστα."},
    {443,
     "Σύρετε για να εισαγάγετε την τρέχουσα ομάδα «Ενέργειες αισθητήρων» στις στήλες «Μαζί», "
     "«Αριστερά» ή «Δεξιά» της λίστας «Ενέργειες που θα εκτελεστούν»."},
    {444,
     "Κάντε κλικ στο κουμπί «Εκτέλεση», για να αποστείλετε τη λίστα «Ενέργειες που θα εκτελεστούν» "
     "στο ρομπότ."},
    {445, "Κάντε κλικ στο κουμπί «Κατάργηση», για να καταργήσετε όλες τις λίστες ενεργειών."},
    {446,
     "Κάντε κλικ στο κουμπί «Έλεγχος», για να ξεκινήσετε τη λειτουργία ελέγχου. Μετά την κατασκευή "
     "του ρομπότ σας, η λειτουργία ελέγχου θα σας επιτρέψει να βρείτε το κεντρικό σημείο κάθε "
     "σερβοκινητήρα και να ελέγξετε τους αισθητήρες των λυχνιών υπερύθρων και των ακροδεκτών."},
    {447,
     "Κάντε κλικ στο κουμπί «Φόρτωση», για να φορτώσετε τις λίστες ενεργειών που αποθηκεύσατε "
     "προηγουμένως."},
    {448,
     "Κάντε κλικ στο κουμπί «Αποθήκευση», για να αποθηκεύσετε τις τρέχουσες λίστες ενεργειών."},
    {449, "Κάντε κλικ στο κουμπί «Έξοδος», για να τερματίσετε αυτό το πρόγραμμα."},
    {450,
     "Επιλέξτε μία ή περισσότερες σειρές ενεργειών από τη λίστα και κάντε κλικ στα κουμπιά "
     "«Διαγραφή», «Αντιγραφή», «Αποκοπή» ή «Επικόλληση» για τη διαγραφή, αντιγραφή, αποκοπή ή "
     "επικόλληση ενεργειών."},
    {451, "Κάντε κλικ στο κουμπί «Αναίρεση», για να αναιρέσετε την προηγούμενη τροποποίηση."},
    {452, "Η λήψη ακυρώθηκε."},
    {453,
     "Δεν επιτρέπεται η πρόσβαση στη σειριακή θύρα. Προσθέστε τον χρήστη σας στην ομάδα dialout "
     "(sudo usermod -aG dialout $USER) και συνδεθείτε ξανά."},
    {454, "Η μονάδα δεν κράτησε το πρόγραμμα: "},
};

TEST(UIStrings, EveryNumberHasItsExactText) {
    // Every number of the table that has a string is listed here, and no other.
    std::size_t present = 0;
    for (int id = kFirstUIString; id <= kLastUIString; ++id) {
        present += GetUIString(id).empty() ? 0 : 1;
    }
    ASSERT_EQ(kExpectedStrings.size(), present);
    for (const auto& [id, text] : kExpectedStrings) {
        EXPECT_EQ(GetUIString(id), text) << "string " << id;
    }
}

TEST(UIStrings, BlanksAreKeptAndMissingNumbersAreEmpty) {
    EXPECT_EQ(GetUIString(377), " ");
    EXPECT_EQ(GetUIString(374), " sec");
    EXPECT_EQ(GetUIString(375), "Βήμα ");
    EXPECT_EQ(GetUIString(365), "");
    EXPECT_EQ(GetUIString(kLastUIString + 1), "");
    EXPECT_EQ(GetUIString(-1), "");
    EXPECT_EQ(GetUIString(362), "");  // a DATA number is no string
}

TEST(UIStrings, AreStoredAsRawUtf16WithoutTerminator) {
    // "Ναι": three characters, six bytes, no byte-order mark, no trailing zero.
    const auto raw = find("WSDATA", 387);
    const std::vector<std::uint8_t> expected{0x9D, 0x03, 0xB1, 0x03, 0xB9, 0x03};
    EXPECT_EQ(std::vector<std::uint8_t>(raw.begin(), raw.end()), expected);
    EXPECT_EQ(find("WSDATA", 377).size(), 2u);
}

TEST(Utf16Decoding, HandlesPairsAndDamage) {
    // U+1F600 as a surrogate pair, then an unpaired low surrogate, then an odd trailing byte.
    const std::vector<std::uint8_t> raw{0x3D, 0xD8, 0x00, 0xDE, 0x00, 0xDC, 0x41, 0x00, 0x42};
    EXPECT_EQ(Utf16LeToUtf8(raw),
              "\xF0\x9F\x98\x80\xEF\xBF\xBD"
              "A");
    EXPECT_EQ(Utf16LeToUtf8({}), "");
}

TEST(ResourceStore, FindsByTypeAndNumber) {
    EXPECT_FALSE(find("DATA", 362).empty());
    EXPECT_FALSE(find("DATA", 364).empty());
    EXPECT_TRUE(find("DATA", 363).empty());
    EXPECT_TRUE(find("data", 362).empty());  // type names are exact
    EXPECT_TRUE(find("GIF", 362).empty());
    EXPECT_TRUE(find("", 0).empty());
}

TEST(SmallResources, CharsetAndCommandLettersOfThisBuild) {
    EXPECT_EQ(GetFontCharset(), 161);
    const TCommandLetters letters = GetCommandLetters();
    EXPECT_EQ(std::string(letters.begin(), letters.end()), "DCTPUGVRELSQ");
    EXPECT_EQ(Text(find("DATA", 361)), "DCTPUGVRELSQ");  // no line break, no terminator
}

TEST(SmallResources, FallBackWhenMissingOrUnusable) {
    EXPECT_EQ(DecodeFontCharset({}), 0);
    EXPECT_EQ(DecodeFontCharset(std::vector<std::uint8_t>{161}), 0);
    EXPECT_EQ(DecodeFontCharset(std::vector<std::uint8_t>{0xEE, 0x00}), 238);

    EXPECT_EQ(DecodeCommandLetters({}), kBuiltInCommandLetters);
    EXPECT_EQ(DecodeCommandLetters(Bytes("DCTPUG")), kBuiltInCommandLetters);
    EXPECT_EQ(DecodeCommandLetters(Bytes("dctpugvrelsq")), kBuiltInCommandLetters);
    const TCommandLetters other = DecodeCommandLetters(Bytes("ABCDEFGHIJ12"));
    EXPECT_EQ(std::string(other.begin(), other.end()), "ABCDEFGHIJ12");
}

TEST(Version, ComesFromTheBuild) { EXPECT_EQ(GetVersionText(), "1.3"); }

TEST(TextResources, HaveCrLfBreaksAndNoFinalBreak) {
    for (int id : {kMotionTemplateId, kTestProgramId}) {
        const std::string text = Text(find("DATA", id));
        ASSERT_FALSE(text.empty());
        EXPECT_NE(text.back(), '\n') << id;
        EXPECT_NE(text.back(), '\r') << id;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << id << " at " << i;
            } else if (text[i] == '\r') {
                ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << id << " at " << i;
            }
        }
    }
}

TEST(TextResources, StartWithTheirDirectives) {
    EXPECT_TRUE(
        Text(find("DATA", kMotionTemplateId)).starts_with("'{$KORBLE KR2}\r\n'{$VELIC 2.5}\r\n"));
    EXPECT_TRUE(Text(find("DATA", kTestProgramId)).starts_with("'{$KORBLE KR2}\r\n"));
    // Debugging output stays out of the image unless someone removes the comment mark.
    EXPECT_NE(Text(find("DATA", kMotionTemplateId)).find("\r\n'#DEFINE Verbose\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace kavrin::resources
