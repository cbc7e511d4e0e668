#include "search/syntax_classify.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/syntax_words.h"
#include "text/file_kind.h"

namespace tessel {
namespace {

// Classes of a line as a string of the same length.
std::string classesOf(std::string_view text, int kind, const Language* language = nullptr,
                      bool inBlock = false, bool* endsInBlock = nullptr) {
    std::string classes(text.size(), '?');
    bool ends = classifyLine(text, kind, language, inBlock, classes.data());
    if (endsInBlock != nullptr) *endsInBlock = ends;
    return classes;
}

// Classifies consecutive lines of one file, carrying the block comment state like the
// renderer does.
std::vector<std::string> classesOfLines(const std::vector<std::string>& lines, int kind,
                                        const Language* language = nullptr) {
    std::vector<std::string> result;
    bool inBlock = false;
    for (const std::string& line : lines) {
        result.push_back(classesOf(line, kind, language, inBlock, &inBlock));
    }
    return result;
}

// A user language from a configuration block.
const Language* defineLanguage(std::string_view block) {
    clearLanguages();
    EXPECT_EQ(parseLanguage(block), 0);
    return languageAt(0);
}

TEST(SyntaxWords, ListsHoldTheirWordsAsWritten) {
    int total = 0;
    for (const BuiltinWordList& list : builtinWordLists()) {
        int count = 0;
        std::string_view words = list.words;
        for (size_t i = 0; i < words.size(); ++i) {
            if (words[i] != ' ' && (i == 0 || words[i - 1] == ' ')) ++count;
        }
        EXPECT_EQ(count, list.count) << list.name;
        total += count;
    }
    EXPECT_EQ(total, 12 + 44 + 49 + 173 + 65 + 273 + 35 + 57 + 58 + 123);
    WordSet sql("select from", true);
    EXPECT_TRUE(sql.contains("SeLeCt"));
    WordSet java("String", false);
    EXPECT_FALSE(java.contains("string"));
    EXPECT_FALSE(sql.contains(std::string(100, 's')));
}

TEST(SyntaxClassify, CKeywordsStringsAndRemarks) {
    EXPECT_EQ(classesOf("#include <stdio.h>", kLanguageC), "bbbbbbbb          ");
    EXPECT_EQ(classesOf("  #include x", kLanguageC), "  bbbbbbbb  ");
    EXPECT_EQ(classesOf("class A : public B", kLanguageC), "ccccc     cccccc  ");
    // Identifiers with "_" are one word; a cast still shows its type.
    EXPECT_EQ(classesOf("my_int (int)x", kLanguageC), "        bbb  ");
    EXPECT_EQ(classesOf("int intx", kLanguageC), "bbb     ");
    EXPECT_EQ(classesOf("s = \"a \\\"if\\\" b\"; if", kLanguageC), "    GGGGGGGGGGGG  bb");
    EXPECT_EQ(classesOf("c = 'x'; // for", kLanguageC), "    GGG  rrrrrr");
    // "--" is no remark in C.
    EXPECT_EQ(classesOf("a -- b", kLanguageC), "      ");
    // A comment end inside a line comment ends it.
    EXPECT_EQ(classesOf("x // a */ int", kLanguageC), "  rrrrrrr bbb");
    EXPECT_EQ(classesOf("/*/ int */ int", kLanguageC), "rrrrrrrrrr bbb");
    EXPECT_EQ(classesOf("\"/* no */\" int", kLanguageC), "GGGGGGGGGG bbb");
}

TEST(SyntaxClassify, BlockCommentCarriesOverLines) {
    std::vector<std::string> classes =
        classesOfLines({"int a; /* one ", "two int ", "three */ int ", "int "}, kLanguageC);
    EXPECT_EQ(classes[0], "bbb    rrrrrrr");
    EXPECT_EQ(classes[1], "rrrrrrrr");
    EXPECT_EQ(classes[2], "rrrrrrrr bbb ");
    EXPECT_EQ(classes[3], "bbb ");
    bool endsInBlock = true;
    classesOf("// /* ", kLanguageC, nullptr, false, &endsInBlock);
    EXPECT_FALSE(endsInBlock);
}

TEST(SyntaxClassify, SqlCssAndJavaScriptRules) {
    EXPECT_EQ(classesOf("SELECT x FROM t -- all", kLanguageSql), "cccccc   cccc   rrrrrr");
    EXPECT_EQ(classesOf("nvl(a)", kLanguageSql), "bbb   ");
    EXPECT_EQ(classesOf("a { color: red } // x", kLanguageCss), "c   bbbbb            ");
    EXPECT_EQ(classesOf("x = Math.PI; var", kLanguageJavaScript), "    bbbb bb  ccc");
    EXPECT_EQ(classesOf("MAX_VALUE", kLanguageJavaScript), "bbbbbbbbb");
}

TEST(SyntaxClassify, MarkupTagsAttributesAndComments) {
    int html = kLanguageJavaScript | kKindMarkup;
    EXPECT_EQ(classesOf("<div id=\"x\">this</div>", html), "bbbbccccGGGbccccbbbbbb");
    EXPECT_EQ(classesOf("<br/> <!-- if --> var", html), "bbbbb rrrrrrrrrrr ccc");
    int xml = kKindXml | kKindMarkup;
    EXPECT_EQ(classesOf("<?xml version=\"1.0\"?>", xml), "bbbbbcccccccccGGGGGbb");
    // XML files have no C remarks.
    EXPECT_EQ(classesOf("<a>// x</a>", xml), "bbb    bbbb");
    std::vector<std::string> classes = classesOfLines({"<!-- a ", "<b> ", "--> <c>"}, xml);
    EXPECT_EQ(classes[1], "rrrr");
    EXPECT_EQ(classes[2], "rrr bbb");
}

TEST(SyntaxClassify, PlainTextAndHelpTextStayUncoloured) {
    bool endsInBlock = true;
    EXPECT_EQ(classesOf("/* it's \"int\" ", kLanguageNone, nullptr, false, &endsInBlock),
              std::string(14, ' '));
    EXPECT_FALSE(endsInBlock);
    EXPECT_FALSE(hasSyntaxColours(kLanguageNone, nullptr));
    EXPECT_FALSE(hasSyntaxColours(kLanguageHelp, nullptr));
    EXPECT_FALSE(hasSyntaxColours(7, nullptr));
    EXPECT_TRUE(hasSyntaxColours(kKindMarkup, nullptr));
}

TEST(SyntaxClassify, LongLinesAreClassifiedUpToTheLimit) {
    std::string line(kMaxClassifiedChars + 100, 'x');
    line.replace(kMaxClassifiedChars - 3, 3, "int");
    std::string classes(line.size(), '?');
    classifyLine(line, kLanguageC, nullptr, false, classes.data());
    EXPECT_EQ(classes.substr(kMaxClassifiedChars - 3, 3), "   ");  // part of a long word
    EXPECT_EQ(classes[kMaxClassifiedChars - 1], ' ');
    EXPECT_EQ(classes[kMaxClassifiedChars], '?');
}

TEST(SyntaxClassify, UserLanguages) {
    const Language* lua = defineLanguage(
        "<Language name=\"Lua\" ext=\"lua\" commentLine=\"--\" commentStart=\"--[[\" "
        "commentEnd=\"]]\">\n<Keywords name=\"instre1\">if then end elseif</Keywords>\n"
        "<Keywords name=\"type1\">string</Keywords>\n<Keywords name=\"keys6\">end</Keywords>\n"
        "<Keywords name=\"instre2\">&lt;= ..</Keywords>\n</Language>");
    ASSERT_NE(lua, nullptr);
    // Longest match, a word followed by a letter is none, the group priority 6 before 1.
    EXPECT_EQ(classesOf("if a <= b then x..y end", kKindXml, lua), "ii   kk   iiii  kk  ccc");
    EXPECT_EQ(classesOf("elseif endx", 0, lua), "iiiiii     ");
    std::vector<std::string> classes = classesOfLines({"x --[[ a ", "b ]] string -- c"}, 0, lua);
    EXPECT_EQ(classes[0], "  rrrrrrr");
    EXPECT_EQ(classes[1], "rrrr IIIIII rrrr");

    const Language* sql = defineLanguage(
        "<Language name=\"s\" ext=\"x\" opt=\"nocase\"><Keywords name=\"keys3\">SELECT"
        "</Keywords></Language>");
    EXPECT_EQ(classesOf("select Select", 0, sql), "kkkkkk kkkkkk");
    const Language* exact = defineLanguage(
        "<Language name=\"s\" ext=\"x\"><Keywords name=\"keys3\">SELECT</Keywords></Language>");
    EXPECT_EQ(classesOf("select SELECT", 0, exact), "       kkkkkk");
    // A user language for an extension wins over the built-in kind of that extension.
    const Language* python = defineLanguage(
        "<Language name=\"py\" ext=\"py\" commentLine=\";\"><Keywords name=\"keys2\">def"
        "</Keywords></Language>");
    LanguageCache cache;
    ASSERT_EQ(userLanguageOf("tools/x.PY", cache), python);
    EXPECT_EQ(userLanguageOf("tools/x.pyw", cache), nullptr);
    EXPECT_EQ(classesOf("def f(): # x ; y", kLanguagePython, python), "III          rrr");
    const Language* markup =
        defineLanguage("<Language name=\"m\" ext=\"m\" extends=\"xml\"></Language>");
    EXPECT_EQ(classesOf("<a b='c'>", 0, markup), "bbcccGGGb");
    clearLanguages();
}

TEST(SyntaxClassify, PythonSources) {
    std::vector<std::string> classes = classesOfLines(
        {
            "def load(path, mode='r'):  # open it",
            "    \"\"\"Reads the file.",
            "    it's in a docstring if any \"\"\" + len(x)",
            "    return None if x else self.data",
        },
        kLanguagePython);
    EXPECT_EQ(classes[0], "ccc                 GGG    rrrrrrrrr");
    EXPECT_EQ(classes[1], "    GGGGGGGGGGGGGGGGGG");
    EXPECT_EQ(classes[2], "GGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGGG   bbb   ");
    EXPECT_EQ(classes[3], "    cccccc cccc cc   cccc bbbb     ");
}

TEST(SyntaxClassify, ShellSources) {
    EXPECT_EQ(classesOf("if [ $# -gt 0 ]; then echo \"a#b\" # note", kLanguageShell),
              "cc               cccc bbbb GGGGG rrrrrr");
    EXPECT_EQ(classesOf("echo 'it\\' # x", kLanguageShell), "bbbb GGGGG rrr");
    EXPECT_EQ(classesOf("for f in *.txt; do done", kLanguageShell), "ccc   cc        cc cccc");
}

TEST(SyntaxClassify, RustGoAndTypeScriptSources) {
    EXPECT_EQ(classesOf("fn get<'a>(s: &'a str) -> Option<u8> // x", kLanguageRust),
              "cc                bbb     bbbbbb bb  rrrr");
    EXPECT_EQ(classesOf("func main() { s := `raw \\` + \"x\" }", kLanguageGo),
              "cccc               GGGGGGG   GGG  ");
    EXPECT_EQ(classesOf("const x: string = `a${b}`; // t", kLanguageTypeScript),
              "ccccc    cccccc   GGGGGGG  rrrr");
}

TEST(SyntaxClassify, DataAndBuildFiles) {
    EXPECT_EQ(classesOf("  - name: it's true # c ", kLanguageYaml), "    bbbb       cccc rrrr");
    EXPECT_EQ(classesOf("key: \"a # b\"", kLanguageYaml), "bbb  GGGGGGG");
    EXPECT_EQ(classesOf("url: http://x#y ", kLanguageYaml), "bbb             ");
    EXPECT_EQ(classesOf("{\"a\": true, \"b\": null}", kLanguageJson), " GGG  cccc  GGG  cccc ");
    std::vector<std::string> markdown = classesOfLines(
        {"## Usage ", "Run `make` now ", "```sh ", "# not a heading ", "``` "}, kLanguageMarkdown);
    EXPECT_EQ(markdown[0], "ccccccccc");
    EXPECT_EQ(markdown[1], "    GGGGGG     ");
    EXPECT_EQ(markdown[3], "GGGGGGGGGGGGGGGG");
    EXPECT_EQ(markdown[4], "GGG ");
    EXPECT_EQ(classesOf("IF(X) add_library(a \"b\") # c", kLanguageCMake),
              "cc    bbbbbbbbbbb   GGG  rrr");
    EXPECT_EQ(classesOf("ifeq ($(wildcard x),) # c", kLanguageMakefile),
              "cccc    bbbbbbbb      rrr");
}

}  // namespace
}  // namespace tessel
