#include <zamcore/zamcore.h>

#include <functional>
#include <string>
#include <utility>

#include "language/token_dump.h"
#include "support/caught_error.h"
#include "support/zam_test.h"

namespace {

using TranslateOptionTest = ZamTest;

// The message of the syntax error that translating `text` raises.
std::string errorOf(ZAMTranslater& translater, const std::string& text) {
    return catchSyntaxError([&] { translater.translateOption(text); }).info;
}

TEST_F(TranslateOptionTest, LookupAppliesOptionThenModuleRenamesOfTheOldId) {
    ZAMTranslater translater;
    translater.addModuleMapping("A", "B");
    translater.addOptionMapping("A", "x", "y");
    translater.addOptionMapping("B", "z", "w");
    using Pair = std::pair<std::string, std::string>;
    EXPECT_EQ(Pair("B", "y"), translater.lookupMapping("A", "x"));
    EXPECT_EQ(Pair("B", "z"), translater.lookupMapping("A", "z"));
    EXPECT_EQ(Pair("B", "w"), translater.lookupMapping("B", "z"));
    EXPECT_EQ(Pair("C", "x"), translater.lookupMapping("C", "x"));
    translater.addModuleMapping("A", "D");
    translater.addOptionMapping("A", "x", "v");
    EXPECT_EQ(Pair("D", "v"), translater.lookupMapping("A", "x"));
}

TEST_F(TranslateOptionTest, WithoutRenamesEveryLineComesBackUnchanged) {
    ZAMTranslater translater;
    for (const char* text : {
#if !ZAMCORE_EARLIER_INTERFACE
             "public width integer : mandatory = 100 to 2000 default 500",
                 "private angle   real non_mutually_exclusive = < 0,>= 90.5  # a note",
#endif
                 "public seats presents body : seats [ front ] default 2",
                 "public drive uses 'chassis unit':drive = 1 to 2\t",
                 "public drive implements chassis:drive # trailing comment\n",
                 "public c string = \"a\" \"b\", \"c\", default \"b\"",
         }) {
        EXPECT_EQ(text, translater.translateOption(text));
    }
}

TEST_F(TranslateOptionTest, RenamedReferencesAreRewrittenAndTheRestKept) {
    ZAMTranslater translater;
    translater.addModuleMapping("m", "n");
    translater.addOptionMapping("body", "seats", "places");
    translater.addOptionMapping("q", "o", "new name");
    translater.addModuleMapping("r", "2nd");
    translater.addModuleMapping("s", "a b");
    struct Row {
        const char* before;
        const char* after;
    };
    const Row rows[] = {
        {"public p uses m:o = 1 to 2", "public p uses n:o = 1 to 2"},
        {"public p uses  m : o  = 1 to 2 default 1", "public p uses  n:o  = 1 to 2 default 1"},
        {"public seats presents body : seats [ front ] default 2",
         "public seats presents body:places [ front ] default 2"},
        {"public p implements q:o", "public p implements q:'new name'"},
        {"public p implements r:o", "public p implements 2nd:o"},
        {"public p implements s:o", "public p implements 'a b':o"},
        // A comment inside the reference goes with it.
        {"public p uses m: # note\n o = 1", "public p uses n:o = 1"},
        // The declared name is never rewritten, nor other words.
        {"public o uses m:o default \"m:o\" # m:o", "public o uses n:o default \"m:o\" # m:o"},
        {"public m integer = 1 # m:o", "public m integer = 1 # m:o"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.after, translater.translateOption(row.before)) << row.before;
    }
}

TEST_F(TranslateOptionTest, SyntaxErrorsAreRaisedAndDefaultsOfPlainTypesChecked) {
    ZAMTranslater translater;
    translater.addModuleMapping("m", "n");
    EXPECT_EQ("Maximum should be higher then minimum",
              errorOf(translater, "public x integer = 5 to 5"));
    EXPECT_EQ("Default value not valid for option",
              errorOf(translater, "public size integer = 1, 2 default 3"));
    EXPECT_EQ("Expected ':' parsing option name", errorOf(translater, "public p uses m o"));
    // An invalid character in the copied tail of a based line stops the copy.
    EXPECT_EQ("Spurious extra input found", errorOf(translater, "public p uses m:o = 1 ! 2"));
    // Defaults of based options are not checked: nothing is looked up.
    EXPECT_EQ("public w presents n:width default 70",
              translater.translateOption("public w presents m:width default 70"));
}

// A renamed reference reads back as the same tokens with the new names: it
// neither runs into the word after it nor turns into a keyword or nothing.
TEST_F(TranslateOptionTest, RenamedReferencesReadBackAsTheSameTokens) {
    ZAMTranslater translater;
    translater.addModuleMapping("m", "n");
    translater.addModuleMapping("k", "set");
    translater.addOptionMapping("k", "o", "default");
    translater.addOptionMapping("k", "e", "");
    translater.addModuleMapping("q", "");
    struct Row {
        const char* before;
        const char* after;
    };
    const Row rows[] = {
        {"public p uses m:x#c\ndefault 1", "public p uses n:x#c\ndefault 1"},
        {"public p uses m:'x'default 1", "public p uses n:x default 1"},
        {"public p uses m:x # c\n = 1 to 2", "public p uses n:x # c\n = 1 to 2"},
        {"public p presents m:'x'[a] default 1", "public p presents n:x[a] default 1"},
        {"public p uses k:o", "public p uses 'set':'default'"},
        {"public p uses k:e default 1", "public p uses 'set':'' default 1"},
        {"public p implements q:x", "public p implements '':x"},
        // Names that are keywords only where they stand are quoted all the same.
        {"public p presents k:'o'[a]", "public p presents 'set':'default'[a]"},
    };
    ZAMTranslater unchanged;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.before);
        const std::string after = translater.translateOption(row.before);
        EXPECT_EQ(row.after, after);
        EXPECT_EQ(after, unchanged.translateOption(after)) << "the rewritten line reads again";
    }
}

using TranslateRklTest = ZamTest;

TEST_F(TranslateRklTest, WithoutRenamesRulesAndConditionsComeBackUnchanged) {
    ZAMTranslater translater;
    const char* const rules[] = {
        "",
        "# only a comment",
        "  if m : a = 1 then # why\n\tset m:'b c'[x.y] to \"m:a\" endif\n",
#if !ZAMCORE_EARLIER_INTERFACE
        "mutually_exclusive : [a, b] mutually_exclusive :{ m.x , n.'y' }",
#endif
        "inform 1 endif this ( is not read",
        "warn 'm x':'it\\'s'  +\"a \\\" b\"#c",
    };
    for (const char* text : rules) {
        EXPECT_EQ(text, translater.translateRkl(text));
    }
    for (const char* text : {"  not (m:a=1)or m:b # end", "'1 m' : 'a'[ 'p q' ] != \"x\""}) {
        EXPECT_EQ(text, translater.translateCondition(text));
    }
    const std::string source =
        "module m\ninterface start\npublic p uses  k : 'o' # c\ninterface end\nset m :b to 1";
    EXPECT_EQ(source, translater.translateRklData("m", source));
}

TEST_F(TranslateRklTest, OnlyOptionReferencesAreRenamed) {
    ZAMTranslater translater;
    translater.addModuleMapping("m", "n");
    translater.addOptionMapping("m", "a", "if");
    struct Row {
        const char* before;
        const char* after;
    };
    const Row rows[] = {
        {"set m:b to m:b + 1", "set n:b to n:b + 1"},
        {"set  m : b[p.q]  to 1 # m:b", "set  n:b[p.q]  to 1 # m:b"},
        {"inform \"m:b\" inform k:b", "inform \"m:b\" inform k:b"},
#if !ZAMCORE_EARLIER_INTERFACE
        {"mutually_exclusive : [b] mutually_exclusive : {m.b}",
         "mutually_exclusive : [b] mutually_exclusive : {m.b}"},
#endif
        // Renames are keyed by the old module id: n:a is not m:a.
        {"inform n:a + m:a", "inform n:a + n:'if'"},
        // The rest after a top-level end word is copied as it stands.
        {"inform m:b endif inform m:b", "inform n:b endif inform m:b"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.after, translater.translateRkl(row.before)) << row.before;
    }
    EXPECT_EQ("n:b = 1 and n:'if'[x] != 2",
              translater.translateCondition("m:b = 1 and m:a[x] != 2"));
}

TEST_F(TranslateRklTest, CommentsAroundARenamedReferenceStay) {
    ZAMTranslater translater;
    translater.addModuleMapping("m", "n");
    EXPECT_EQ("# head\n  n:b = 1", translater.translateCondition("# head\n  m:b = 1"));
    EXPECT_EQ("set n:b # note\nto 1", translater.translateRkl("set m:b # note\nto 1"));
}

TEST_F(TranslateRklTest, TextsWithErrorsAreRefused) {
    ZAMTranslater translater;
    translater.addModuleMapping("m", "n");
    EXPECT_THROW(translater.translateRkl("set m:b 1"), ZAMSyntaxError);
    EXPECT_THROW(translater.translateCondition("m:b = 1 m:c"), ZAMSyntaxError);
}

// Renaming there and back gives texts that read as the original tokens, even
// where the renamed references were respaced or quoted differently.
TEST_F(TranslateRklTest, RenamingThereAndBackReadsAsTheOriginal) {
    using Translate = std::function<std::string(ZAMTranslater&, const std::string&)>;
    struct Text {
        Translate translate;
        const char* text;
    };
    const Text texts[] = {
        {&ZAMTranslater::translateOption, "public p presents A : x [ f ] default 2 # A:x"},
        {&ZAMTranslater::translateOption, "public q uses A:'x'= 1 to 3"},
        {&ZAMTranslater::translateRkl, "if not A:x[f.g]>2 then set A:x to \"A:x\"+A:z endif"},
        {&ZAMTranslater::translateCondition, "(A:x = 1) or C:x"},
        {[](ZAMTranslater& t, const std::string& text) { return t.translateRklData("M", text); },
         "module M\ninterface start\npublic r implements A:x\ninterface end\ninform A:x"},
    };
    struct Rename {
        const char* module;  // new id of module A
        const char* option;  // new name of option x
    };
    for (const Rename& rename :
         {Rename{"B", "x"}, Rename{"A", "y"}, Rename{"2nd", "it's"}, Rename{"a b", "if"}}) {
        ZAMTranslater there;
        there.addModuleMapping("A", rename.module);
        there.addOptionMapping("A", "x", rename.option);
        ZAMTranslater back;
        back.addModuleMapping(rename.module, "A");
        back.addOptionMapping(rename.module, rename.option, "x");
        const std::string renamed =
            "id(" + std::string(rename.module) + ") : id(" + rename.option + ")";
        for (const Text& text : texts) {
            SCOPED_TRACE(std::string(rename.module) + " " + text.text);
            const std::string forth = text.translate(there, text.text);
            EXPECT_EQ(std::string::npos, zamtest::dump(forth).find("id(A) : id(x)"));
            EXPECT_NE(std::string::npos, zamtest::dump(forth).find(renamed));
            EXPECT_EQ(zamtest::dump(text.text), zamtest::dump(text.translate(back, forth)));
        }
    }
}

}  // namespace
