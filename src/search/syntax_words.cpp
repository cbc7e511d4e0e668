#include "search/syntax_words.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "base/log/message_log.h"
#include "text/file_kind.h"

namespace tessel {
namespace {

// The lists of the older kinds, exactly as they have always been (a repeated word or two
// included).
constexpr const char kCppA[] =
    "class delete friend inline new operator private protected public this try virtual";
constexpr const char kCppB[] =
    "auto break case char const continue default do double else enum extern float for goto if "
    "int long register return short signed sizeof static struct switch typedef union unsigned "
    "void volatile while #define #error #include #elif #if #line #else #ifdef #pragma #endif "
    "#ifndef #undef";
constexpr const char kJavaKeywords[] =
    "abstract break byte boolean catch case class char continue default double do else "
    "extends false final float for finally if import implements int interface instanceof long "
    "length native new null private protected public final return switch synchronized short "
    "static super try true this throw throws threadsafe transient void while";
constexpr const char kJavaClasses[] =
    "Applet AbstractCollection AbstractList AbstractMap AbstractSequentialList AbstractSet "
    "ArrayList Arrays AssertionStatusDirectives Bits BitSet Boolean BufferedInputStream "
    "BufferedOutputStream BufferedReader BufferedWriter Byte ByteArrayInputStream "
    "ByteArrayOutputStream Calendar Character CharacterData CharacterDataLatin1 "
    "CharArrayReader CharArrayWriter CharSequence Class ClassLoader Cloneable Collection "
    "Collections Comparable Comparator Compiler Currency CurrencyData DataInput "
    "DataInputStream DataOutput DataOutputStream Date Dictionary Double Enumeration "
    "EventListener EventListenerProxy EventObject ExpiringCache Externalizable FDBigInt File "
    "FileDescriptor FileFilter FileInputStream FilenameFilter FileOutputStream FilePermission "
    "FilePermissionCollection FileReader FileSystem FileWriter FilterInputStream "
    "FilterOutputStream FilterReader FilterWriter Float FloatingDecimal GregorianCalendar "
    "HashMap HashSet Hashtable IdentityHashMap InheritableThreadLocal InputStream "
    "InputStreamReader Integer Iterator LineNumberInputStream LineNumberReader LinkedHashMap "
    "LinkedHashSet LinkedList List ListIterator ListResourceBundle Locale Long Map Math "
    "Number Object ObjectInput ObjectInputStream ObjectInputValidation ObjectOutput "
    "ObjectOutputStream ObjectStreamClass ObjectStreamConstants ObjectStreamField Observable "
    "Observer OutputStream OutputStreamWriter Package PipedInputStream PipedOutputStream "
    "PipedReader PipedWriter PrintStream PrintWriter Process Properties PropertyPermission "
    "PropertyPermissionCollection PropertyResourceBundle PushbackInputStream PushbackReader "
    "Random RandomAccess RandomAccessFile RandomAccessSubList Reader ResourceBundle "
    "ResourceBundleEnumeration Runnable Runtime RuntimePermission SecurityManager "
    "SequenceInputStream Serializable SerializablePermission Set Short Shutdown "
    "SimpleTimeZone SortedMap SortedSet Stack StackTraceElement StreamTokenizer StrictMath "
    "String StringBuffer StringBufferInputStream StringCoding StringReader StringTokenizer "
    "StringWriter SubList System SystemClassLoaderAction TaskQueue Terminator Thread "
    "ThreadDeath ThreadGroup ThreadLocal Throwable Timer TimerTask TimerThread TimeZone "
    "TreeMap TreeSet Vector Void WeakHashMap Win32FileSystem Win32Process WinNTFileSystem "
    "Writer Exception Error";
constexpr const char kSqlKeywords[] =
    "alter begin case commit copy create database declare delete drop else end exec execute "
    "exit exp fetch for from group having if imp insert intersect into join load minus of off "
    "on open order outer prepare proc procedure read restrict return rollback save select "
    "shutdown startup table then truncate union update view when where while elsif close and "
    "function comment column each row values force";
constexpr const char kSqlFunctions[] =
    "abs acos add_months ascii asin atan atan2 average avg binary binary_integer bit blob "
    "blob_table boolean cast ceil char character charrarr chartorowid chr clob clob_table "
    "compute concat cos cosh count covar_pop covar_samp cube cume_dist current_row date "
    "date_table datetime dblink_array dec decimal decode dense_rank deref desc_rec desc_tab "
    "empty empty_blob empty_clob error estimate file_type first first_value float floor "
    "following greatest grouping image index_table_type int integer lag last last_day "
    "last_value lead least lenght length lengthb ln log long lower lpad ltrim lub make_ref "
    "max maxwait min mod money months_between multiset name_array native nchar nclob "
    "nclob_table new_time next_day nls_charset_decl_len nls_charset_id nls_charset_name "
    "nls_lower nls_sort nls_upper nlssort ntext ntile nulls number number_array number_table "
    "numeric nvarchar nvarchar2 nvl percent_rank pls_int pls_integer power preceding rank raw "
    "real record refcursor replace rnds rnps rollup round row_number rowidtochar rpad rtrim "
    "sign signtype sin sinh smalldatetime smallint smallmoney soundex sqrt string substr "
    "substrb sum tan tanh text timestamp tinyint to_char to_date to_label to_lob "
    "to_multi_byte to_number to_single_byte translate trim trunc uid unbounded uncl_array "
    "uniqueidentifier upper urowid userenv using var_pop var_samp varbinary varchar varchar2 "
    "varchar2_table varchar2s variance varray vsize xor add all and any as asc between "
    "collect constraint contains continue convert cross current cursor default deny desc "
    "disconnect distinct double errlvl errorexit escape except exchange exists extend full "
    "global go goto grant in index indextype inner invalidate is isolation key level like "
    "limit logoff logon merge move not null nullif once only option or over percent perm "
    "permanent precision primary privileges public references repeatable restore returning "
    "revoke right rowcount rule schema scope set setuser some split store structure temp "
    "temporary textsize to top tran transaction trigger uncommitted unique updatetext "
    "updating use user validate values with foreign";
constexpr const char kHtmlTags[] =
    "table div ul li h1 h2 h3 h4 h5 h6 td tr th tr span form a p b u textarea body head img "
    "code html blockquote box button cell dl dt dd em map";
constexpr const char kCssWords[] =
    "z background border bottom caption clear counter cursor direction display elevation "
    "empty float font height letter line list margin marker max min orphans outline overflow "
    "padding page pause pitch play position quotes richness stress table text top unicode "
    "vertical visibility voice white widows width word color left right weight size align "
    "space decoration index filter content select";
constexpr const char kJavaScriptKeywords[] =
    "var abstract boolean break byte case catch char class const continue debugger default "
    "delete do double else enum export extends final finally float for goto if implements "
    "import in instanceof int interface long native new package private protected public "
    "return short static super switch synchronized this throw throws transient try typeof "
    "void volatile while with true false prototype";
constexpr const char kJavaScriptObjects[] =
    "function Anchor Applet Area Array Boolean Button Checkbox Date FileUpload Form Frame "
    "Function Hidden History Image Infinity JavaArray JavaClass JavaObject JavaPackage LN10 "
    "LN2 LOG10E LOG2E Layer Link Location MAX_VALUE MIN_VALUE Math MimeType NEGATIVE_INFINITY "
    "NaN Number Object Option PI POSITIVE_INFINITY Packages Password Plugin Radio RegExp "
    "Reset SQRT1_2 SQRT2 Select String Style Submit Text Textarea URL URLUnencoded UTC "
    "XMLDocument XSLDocument onAbort onActivate onAfterprint onAfterupdate onBeforeactivate "
    "onBeforecut onBeforedeactivate onBeforeeditfocus onBeforepaste onBeforeprint "
    "onBeforeunload onBeforeupdate onBlur onCellchange onChange onClick onClose onContextmenu "
    "onControlselect onCut onDataavailable onDatasetchanged onDatasetcomplete onDblclick "
    "onDeactivate onDrag onDragdrop onDragend onDragenter onDragleave onDragover onDragstart "
    "onDrop onError onErrorupdate onFocus onHelp onKeydown onKeypress onKeyu onLine onLoad "
    "onMousedown onMousemove onMouseout onMouseover onMouseup onPaste onPropertychange "
    "onReadystatechange onReset onResize onResizeend onResizestart onRowenter onRowexit "
    "onRowsdelete onRowsinserted onScroll onSelect onSelectionchange onSelectstart onStop "
    "onSubmit onUnload";

// The languages most loaded today. List A holds the statements and declarations, list B the
// types, built-in functions and well-known names.
constexpr const char kPythonKeywords[] =
    "False None True and as assert async await break case class continue def del elif else "
    "except finally for from global if import in is lambda match nonlocal not or pass raise "
    "return try while with yield";
constexpr const char kPythonBuiltins[] =
    "self cls print len range str int float list dict set tuple bool bytes bytearray object "
    "type isinstance issubclass super open enumerate zip map filter sorted reversed min max "
    "sum abs any all iter next hasattr getattr setattr delattr repr format input id hash "
    "callable property staticmethod classmethod Exception ValueError TypeError KeyError "
    "IndexError RuntimeError OSError IOError StopIteration NotImplementedError AttributeError "
    "ImportError __init__ __name__ __main__";
constexpr const char kShellKeywords[] =
    "if then else elif fi case esac for while until do done in function select time return "
    "exit break continue local export readonly declare typeset unset shift source alias set "
    "trap eval exec";
constexpr const char kShellBuiltins[] =
    "echo printf read cd pwd test true false let wait kill getopts umask ulimit type command "
    "builtin hash pushd popd";
constexpr const char kRustKeywords[] =
    "as async await break const continue crate dyn else enum extern false fn for if impl in "
    "let loop match mod move mut pub ref return self Self static struct super trait true type "
    "unsafe use where while";
constexpr const char kRustTypes[] =
    "i8 i16 i32 i64 i128 isize u8 u16 u32 u64 u128 usize f32 f64 bool char str String Vec "
    "Option Some None Result Ok Err Box Rc Arc RefCell HashMap HashSet BTreeMap println print "
    "eprintln format vec panic assert assert_eq assert_ne";
constexpr const char kGoKeywords[] =
    "break case chan const continue default defer else fallthrough for func go goto if import "
    "interface map package range return select struct switch type var";
constexpr const char kGoTypes[] =
    "bool byte complex64 complex128 error float32 float64 int int8 int16 int32 int64 rune "
    "string uint uint8 uint16 uint32 uint64 uintptr any true false iota nil append cap close "
    "complex copy delete imag len make new panic print println real recover";
constexpr const char kTypeScriptKeywords[] =
    "abstract any as async await boolean break case catch class const constructor continue "
    "debugger declare default delete do else enum export extends false finally for from "
    "function get if implements import in infer instanceof interface is keyof let module "
    "namespace never new null number object of private protected public readonly return set "
    "static string super switch symbol this throw true try type typeof undefined unknown var "
    "void while yield";
constexpr const char kTypeScriptObjects[] =
    "Array Boolean Date Error Function JSON Map Math Number Object Promise Proxy Reflect RegExp "
    "Set String Symbol WeakMap WeakSet console document window Partial Record Readonly Pick "
    "Omit";
constexpr const char kYamlWords[] = "true false null yes no on off";
constexpr const char kJsonWords[] = "true false null";
constexpr const char kCMakeFlow[] =
    "if elseif else endif foreach endforeach while endwhile function endfunction macro "
    "endmacro return break continue block endblock";
constexpr const char kCMakeCommands[] =
    "add_executable add_library add_subdirectory add_test add_custom_command "
    "add_custom_target add_compile_options add_compile_definitions add_definitions "
    "add_dependencies add_link_options cmake_minimum_required cmake_parse_arguments "
    "cmake_policy configure_file enable_testing file find_package find_library find_path "
    "find_program get_filename_component include include_directories install list message "
    "option project set set_property set_target_properties set_tests_properties string "
    "target_compile_definitions target_compile_features target_compile_options "
    "target_include_directories target_link_libraries target_link_options target_sources "
    "unset math";
constexpr const char kMakeDirectives[] =
    "ifeq ifneq ifdef ifndef else endif include -include sinclude define endef export "
    "unexport override private vpath .PHONY .SUFFIXES .DEFAULT .PRECIOUS .INTERMEDIATE "
    ".SECONDARY .DELETE_ON_ERROR .ONESHELL .SILENT";
constexpr const char kMakeFunctions[] =
    "subst patsubst strip findstring filter sort word words wordlist firstword lastword dir "
    "notdir suffix basename addsuffix addprefix join wildcard realpath abspath error warning "
    "info shell origin flavor foreach call eval value";

constexpr BuiltinWordList kWordLists[] = {
    {"C++ A", kCppA, 12},
    {"C++ B", kCppB, 44},
    {"Java keywords", kJavaKeywords, 49},
    {"Java classes", kJavaClasses, 173},
    {"SQL keywords", kSqlKeywords, 65},
    {"SQL functions", kSqlFunctions, 273},
    {"HTML tags", kHtmlTags, 35},
    {"CSS words", kCssWords, 57},
    {"JavaScript keywords", kJavaScriptKeywords, 58},
    {"JavaScript objects", kJavaScriptObjects, 123},
};

unsigned char foldByte(char c) {
    return static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string folded(std::string_view word) {
    std::string text(word);
    for (char& c : text) c = static_cast<char>(foldByte(c));
    return text;
}

int countWords(std::string_view words) {
    int count = 0;
    bool inWord = false;
    for (char c : words) {
        if (c != ' ' && !inWord) ++count;
        inWord = c != ' ';
    }
    return count;
}

// The rules of every language, built on first use.
struct SyntaxTable {
    SyntaxTable();
    BuiltinSyntax byLanguage[kKindLanguageMask + 1];
    bool known[kKindLanguageMask + 1] = {};
    std::vector<std::unique_ptr<WordSet>> sets;

    const WordSet* set(std::string_view words, bool nocase) {
        sets.push_back(std::make_unique<WordSet>(words, nocase));
        return sets.back().get();
    }
    BuiltinSyntax& add(int language) {
        known[language] = true;
        return byLanguage[language];
    }
};

// C-like remarks and strings, which most kinds share.
void cLike(BuiltinSyntax& syntax, std::string_view quotes, std::string_view escapes) {
    syntax.lineComment = "//";
    syntax.blockStart[0] = "/*";
    syntax.blockEnd[0] = "*/";
    syntax.quotes = quotes;
    syntax.escapes = escapes;
}

SyntaxTable::SyntaxTable() {
    for (const BuiltinWordList& list : kWordLists) {
        if (countWords(list.words) != list.count) {
            logError(0, "syntax highlight setup error");
            break;
        }
    }
    // Without a language of their own, markup files use the C remarks unless they are XML;
    // the markup rules themselves are the classifier's.
    cLike(add(kLanguageNone), "\"'", "");

    BuiltinSyntax& c = add(kLanguageC);
    cLike(c, "\"'", "\"'");
    c.listA = set(kCppA, false);
    c.listB = set(kCppB, false);

    BuiltinSyntax& java = add(kLanguageJava);
    cLike(java, "\"'", "\"'");
    java.listA = set(kJavaKeywords, false);
    java.listB = set(kJavaClasses, false);

    BuiltinSyntax& sql = add(kLanguageSql);
    sql.lineComment = "--";
    sql.blockStart[0] = "/*";
    sql.blockEnd[0] = "*/";
    sql.quotes = "\"'";
    sql.listA = set(kSqlKeywords, true);
    sql.listB = set(kSqlFunctions, true);

    BuiltinSyntax& css = add(kLanguageCss);
    css.blockStart[0] = "/*";
    css.blockEnd[0] = "*/";
    css.quotes = "\"'";
    css.escapes = "\"'";
    css.listA = set(kHtmlTags, true);
    css.listB = set(kCssWords, true);
    css.minWordLength = 1;

    BuiltinSyntax& javaScript = add(kLanguageJavaScript);
    cLike(javaScript, "\"'", "\"'");
    javaScript.listA = set(kJavaScriptKeywords, false);
    javaScript.listB = set(kJavaScriptObjects, false);
    javaScript.minWordLength = 1;

    BuiltinSyntax& python = add(kLanguagePython);
    python.lineComment = "#";
    python.blockStart[0] = python.blockEnd[0] = "\"\"\"";
    python.blockStart[1] = python.blockEnd[1] = "'''";
    python.blockIsString = true;
    python.quotes = python.escapes = "\"'";
    python.listA = set(kPythonKeywords, false);
    python.listB = set(kPythonBuiltins, false);

    BuiltinSyntax& shell = add(kLanguageShell);
    shell.lineComment = "#";
    shell.remarkAfterBlank = true;
    shell.quotes = "\"'`";
    shell.escapes = "\"`";
    shell.listA = set(kShellKeywords, false);
    shell.listB = set(kShellBuiltins, false);

    BuiltinSyntax& rust = add(kLanguageRust);
    // A single quote also starts a lifetime ('a), so it opens no string here.
    cLike(rust, "\"", "\"");
    rust.listA = set(kRustKeywords, false);
    rust.listB = set(kRustTypes, false);

    BuiltinSyntax& go = add(kLanguageGo);
    cLike(go, "\"'`", "\"'");
    go.listA = set(kGoKeywords, false);
    go.listB = set(kGoTypes, false);

    BuiltinSyntax& typeScript = add(kLanguageTypeScript);
    cLike(typeScript, "\"'`", "\"'`");
    typeScript.listA = set(kTypeScriptKeywords, false);
    typeScript.listB = set(kTypeScriptObjects, false);

    BuiltinSyntax& yaml = add(kLanguageYaml);
    yaml.lineComment = "#";
    yaml.remarkAfterBlank = true;
    yaml.quotes = "\"'";
    yaml.escapes = "\"";
    yaml.quotesAfterBlank = true;
    yaml.mappingKeys = true;
    yaml.listA = set(kYamlWords, true);

    BuiltinSyntax& json = add(kLanguageJson);
    cLike(json, "\"", "\"");
    json.listA = set(kJsonWords, false);

    BuiltinSyntax& markdown = add(kLanguageMarkdown);
    markdown.blockStart[0] = markdown.blockEnd[0] = "```";
    markdown.blockIsString = true;
    markdown.quotes = "`";
    markdown.headings = true;

    BuiltinSyntax& cmake = add(kLanguageCMake);
    cmake.lineComment = "#";
    cmake.blockStart[0] = "#[[";
    cmake.blockEnd[0] = "]]";
    cmake.quotes = cmake.escapes = "\"";
    cmake.listA = set(kCMakeFlow, true);
    cmake.listB = set(kCMakeCommands, true);

    BuiltinSyntax& make = add(kLanguageMakefile);
    make.lineComment = "#";
    make.quotes = "\"'";
    make.escapes = "\"";
    make.listA = set(kMakeDirectives, false);
    make.listB = set(kMakeFunctions, false);
}

const SyntaxTable& syntaxTable() {
    static const SyntaxTable table;
    return table;
}

}  // namespace

WordSet::WordSet(std::string_view words, bool nocase) : nocase_(nocase) {
    size_t pos = 0;
    while (pos < words.size()) {
        size_t end = words.find(' ', pos);
        if (end == std::string_view::npos) end = words.size();
        if (end > pos) {
            std::string_view word = words.substr(pos, end - pos);
            sorted_.push_back(nocase ? folded(word) : std::string(word));
        }
        pos = end + 1;
    }
    std::sort(sorted_.begin(), sorted_.end());
    sorted_.erase(std::unique(sorted_.begin(), sorted_.end()), sorted_.end());
}

bool WordSet::contains(std::string_view word) const {
    if (!nocase_) return std::binary_search(sorted_.begin(), sorted_.end(), word);
    char buffer[64];
    if (word.size() > sizeof buffer) return false;
    for (size_t i = 0; i < word.size(); ++i) buffer[i] = static_cast<char>(foldByte(word[i]));
    return std::binary_search(sorted_.begin(), sorted_.end(),
                              std::string_view(buffer, word.size()));
}

const BuiltinSyntax* builtinSyntax(int language, bool markup) {
    if (language < 0 || language > kKindLanguageMask) return nullptr;
    const SyntaxTable& table = syntaxTable();
    if (!table.known[language]) return nullptr;
    if (language == kLanguageNone && !markup) return nullptr;
    return &table.byLanguage[language];
}

std::span<const BuiltinWordList> builtinWordLists() {
    return kWordLists;
}

}  // namespace tessel
