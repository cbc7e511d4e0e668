// The static setting table: every setting of the setup dialog and its configuration keyword.
// Rows are in id order, one per id from 101 to 394; the row index is the id minus 101.
// Rows without a key are dialog decoration (headings, static texts, buttons) or values that
// are not written to the configuration file.
#include <array>

#include "config/qv_config.h"

namespace tessel {
namespace {

using T = SettingType;

constexpr SettingDescriptor heading(int id, int page, const char* caption) {
    return {id, page, "", T::kHeading, 0, caption, "", 0, 0, ""};
}

constexpr SettingDescriptor infoField(int id, int page) {
    return {id, page, "", T::kHeading, 0, "", "", 0, kSettingInfoField, ""};
}

constexpr SettingDescriptor button(int id, int page, const char* caption, const char* help = "") {
    return {id, page, "", T::kButton, 0, caption, "", 0, 0, help};
}

// A flag with a key is written to the configuration file; one without is dialog state.
constexpr SettingDescriptor flag(int id, int page, const char* key, const char* caption, bool on,
                                 const char* help = "") {
    return {id,
            page,
            key,
            T::kFlag,
            0,
            caption,
            on ? "1" : "0",
            on ? 1 : 0,
            key[0] != '\0' ? kSettingPersisted : 0u,
            help};
}

constexpr SettingDescriptor number(int id, int page, const char* key, const char* caption,
                                   const char* defaultText, int32_t defaultValue,
                                   const char* help = "") {
    return {id,
            page,
            key,
            T::kNumber,
            0,
            caption,
            defaultText,
            defaultValue,
            key[0] != '\0' ? kSettingPersisted : 0u,
            help};
}

// A text row starts with its caption as value.
constexpr SettingDescriptor text(int id, int page, const char* key, int32_t capacity,
                                 const char* initial, const char* help = "") {
    return {
        id,  page, key, T::kText, capacity, initial, "", 0, key[0] != '\0' ? kSettingPersisted : 0u,
        help};
}

constexpr SettingDescriptor fontMetrics(int id, int page) {
    return {id, page, "", T::kNumberList, kFontMetrics, "", "", 0, 0, ""};
}

constexpr const char* kContextPathHelp =
    "file name filter of this rule, for example .cpp .hpp\n\nthe rule is used only for files "
    "whose names match.";
constexpr const char* kContextMatchHelp =
    "/search for/display as/\n\nwhen a line above the screen matches the search pattern at "
    "its start, the display text is shown in the top line of the view.";

constexpr SettingDescriptor contextPath(int id, int page, const char* key, const char* initial) {
    return text(id, page, key, 512, initial, kContextPathHelp);
}

constexpr SettingDescriptor contextMatch(int id, int page, const char* key, const char* initial) {
    return text(id, page, key, 2048, initial, kContextMatchHelp);
}

constexpr const char* kSpacingMinus = "make the line spacing smaller";
constexpr const char* kSpacingPlus = "make the line spacing larger";
constexpr const char* kFontChange = "choose a different font";

// clang-format off
constexpr std::array<SettingDescriptor, kSettingRowCount> kRows = {{
    // Page buttons.
    button(101, 0, "config"),
    button(102, 0, "work"),
    button(103, 0, "scroll/font"),
    button(104, 0, "find/edit"),
    button(105, 0, "general"),
    button(106, 0, "ctx 1"),
    button(107, 0, "2"),
    button(108, 0, "3"),

    // config
    heading(109, 1, "configuration file"),
    heading(110, 1, "current path:"),
    text(111, 1, "", 2048, ""),
    button(112, 1, "edit",
           "edit the config file with notepad. you may also right-click on the setup button to "
           "edit the config file instantly. you may also edit the file outside tessel by "
           "loading it with a different editor. "),
    button(113, 1, "reload", "read the config file again, after it was changed outside tessel."),
    button(114, 1, "load from ...", "select a different config file and use it from now on."),
    button(115, 1, "create to ...",
           "create a new config file with default values at a place of your choice."),
    heading(116, 1, "bookmarks"),
    heading(117, 1, "bookmark file base name:"),
    text(118, 1, "", 512, "",
         "base name of the bookmark files. the set number and .qvbm are appended, like "
         "name.1.qvbm"),
    button(119, 1, "load from ...", "load bookmarks from a bookmark file of your choice."),
    button(120, 1, "save to ...", "save the current bookmarks to a file of your choice."),
    button(121, 1, "clear", "remove all bookmarks of the current set."),
    button(122, 1, "recent errors", "show the bookmarks that failed to load."),
    button(123, 1, "copy bookmarks to clipboard",
           "copy the bookmark list as text, one line per bookmark."),
    button(124, 1, "import bookmarks from clipboard",
           "add bookmarks from a list of file names and line numbers in the clipboard."),
    flag(125, 1, "addbmbottom", "add new bookmarks at the bottom", false,
         "new bookmarks are added at the end of the list instead of the top."),
    heading(126, 1, "file manager integration"),
    flag(127, 1, "", "folder menu: view with tessel", false),
    flag(128, 1, "", "file menu: view with tessel", false),
    flag(129, 1, "", "file menu: edit with tessel", false),
    flag(130, 1, "", "open bookmark files (.qvbm) with tessel", false),
    flag(131, 1, "", "open snapfiles with tessel", false),
    flag(132, 1, "", "for the current user only", true),
    flag(133, 1, "", "load sub folders from the folder menu", true),
    button(134, 1, "apply", "change the file manager entries as selected above."),
    button(135, 1, "desktop icon", "create a tessel icon on the desktop."),
    heading(136, 1, "platform"),
    flag(137, 1, "linux", "linux mode", false,
         "fonts and defaults for the linux desktop. the config file is then searched only in "
         "your config folder."),
    heading(138, 1, "additional infos"),
    infoField(139, 1),

    // work
    heading(140, 2, "workspace"),
    heading(141, 2, "filters when loading folders:"),
    heading(142, 2, "files"),
    flag(143, 2, "usefilemask", "use file mask", false,
         "load only files whose names match the file mask. a mask word starting with ! "
         "excludes."),
    heading(144, 2, "in files"),
    text(145, 2, "filemask", 512, ".cpp .hpp .txt",
         "file name patterns separated by blanks, like .cpp .hpp !.bak"),
    flag(146, 2, "usedirmask", "use sub dir mask", false,
         "load only sub folders whose paths match the folder mask."),
    heading(147, 2, "sub dirs"),
    text(148, 2, "dirmask", 512, "!\\tmp",
         "folder patterns separated by blanks; a word starting with ! excludes folders."),
    flag(149, 2, "startuploadfilter", "apply the filters also on startup", false,
         "a folder given on the command line is loaded through the file and sub dir masks."),
    flag(150, 2, "autoreload", "auto reload changed files", false,
         "when tessel is activated, files that changed on disk are loaded again."),
    flag(151, 2, "limitautoreload", "limit auto reload to", false,
         "check only files below the folders listed in the reload mask."),
    heading(152, 2, "folders:"),
    text(153, 2, "autoreloadmask", 2048, "mywork\\core mywork\\gui",
         "folder paths separated by blanks; words may be in double quotes."),
    flag(154, 2, "reloaddelayonsize", "skip auto reload of files larger than", false,
         "large files are only reloaded on demand."),
    text(155, 2, "reloaddelaysizemb", 512, "0"),
    heading(156, 2, "mb"),
    flag(157, 2, "loadsub", "load sub folders", true, "folders are loaded with all sub folders."),
    flag(158, 2, "loadhidden", "load hidden files", false,
         "also load files and folders that are hidden."),
    flag(159, 2, "loadbin", "load binary files", false,
         "extract the text from binary files instead of skipping them."),
    flag(160, 2, "loadzips", "load zip files", false, "load the text files inside zip files."),
    flag(161, 2, "loadxzips", "load extended zip files", false,
         "also look into archives with other extensions."),
    flag(162, 2, "loadwchar", "load 16 bit text files", false,
         "convert files in 16 bit characters while loading."),
    flag(163, 2, "appenddragdrop", "append on drag and drop", false,
         "dropped files are added to the loaded text instead of replacing it."),
    flag(164, 2, "utf8decode", "decode utf-8", false,
         "convert utf-8 text to the active code page while loading."),
    button(165, 2, "reload workspace with new settings",
           "load the current folders again, using the settings of this page."),
    heading(166, 2, "additional infos"),
    infoField(167, 2),

    // scroll/font
    heading(168, 3, "scrolling"),
    flag(169, 3, "softscrollenable", "soft scrolling", true,
         "the mouse wheel scrolls smoothly instead of line by line."),
    flag(170, 3, "noassistuserblank", "no assist on user blank", true,
         "typing a blank in the find mask does not trigger the typing assistant."),
    flag(171, 3, "enableHorizontalSurf", "horizontal surf", true,
         "moving the mouse sideways while surfing scrolls the text horizontally."),
    heading(172, 3, "scroll factor"),
    text(173, 3, "scrollfactor", 512, "1", "lines per wheel step, 1 to 5."),
    number(174, 3, "dragspeed", "drag speed", "100", 100,
           "speed of drag scrolling in percent, 20 to 200."),
    number(175, 3, "motionfilter", "motion filter", "1", 1,
           "ignore quick reversals of the mouse direction while surfing."),
    heading(176, 3, "percent"),
    heading(177, 3, "font selection"),
    heading(178, 3, "use"),
    heading(179, 3, "name"),
    heading(180, 3, "size"),
    heading(181, 3, "line spacing"),
    heading(182, 3, "main fonts"),
    heading(183, 3, "bookmark fonts"),
    heading(184, 3, "menu font"),
    flag(185, 3, "", "main font", true, "use the first main font for the text."),
    heading(186, 3, "main font"),
    text(187, 3, "mainfont", 512, "fixedsys", "font of the text views."),
    fontMetrics(188, 3),
    button(189, 3, "change", kFontChange),
    number(190, 3, "", "line spacing", "0", 0),
    button(191, 3, "-", kSpacingMinus),
    button(192, 3, "+", kSpacingPlus),
    heading(193, 3, "line spacing"),
    flag(194, 3, "usemainfont2", "main font 2", false,
         "use the second main font for the text, for example on large screens."),
    heading(195, 3, "main font 2"),
    text(196, 3, "mainfont2", 512, "courier new", "second font of the text views."),
    fontMetrics(197, 3),
    button(198, 3, "change", kFontChange),
    number(199, 3, "", "line spacing", "0", 0),
    button(200, 3, "-", kSpacingMinus),
    button(201, 3, "+", kSpacingPlus),
    heading(202, 3, "line spacing"),
    flag(203, 3, "", "bookmark font", true, "use the first font for the bookmark list."),
    heading(204, 3, "bookmark font"),
    text(205, 3, "bookfont", 512, "arial", "font of the bookmark list."),
    fontMetrics(206, 3),
    button(207, 3, "change", kFontChange),
    number(208, 3, "", "line spacing", "0", 0),
    button(209, 3, "-", kSpacingMinus),
    button(210, 3, "+", kSpacingPlus),
    heading(211, 3, "line spacing"),
    flag(212, 3, "usebookfont2", "bookmark font 2", false,
         "use the second font for the bookmark list."),
    heading(213, 3, "bookmark font 2"),
    text(214, 3, "bookfont2", 512, "courier new", "second font of the bookmark list."),
    fontMetrics(215, 3),
    button(216, 3, "change", kFontChange),
    number(217, 3, "", "line spacing", "0", 0),
    button(218, 3, "-", kSpacingMinus),
    button(219, 3, "+", kSpacingPlus),
    heading(220, 3, "line spacing"),
    heading(221, 3, "menus"),
    heading(222, 3, "menu font"),
    text(223, 3, "menufont", 512, "arial", "font of menus and buttons."),
    fontMetrics(224, 3),
    button(225, 3, "change", kFontChange),
    heading(226, 3, "additional infos"),
    infoField(227, 3),
    heading(228, 3, "font defaults"),
    heading(229, 3, "restore the built-in fonts"),
    heading(230, 3, "of all five slots"),
    heading(231, 3, "(linux mode has its own main font)"),
    button(232, 3, "reset to defaults", "set all fonts back to their built-in defaults."),

    // find/edit
    heading(233, 4, "search defaults"),
    heading(234, 4, "for new views"),
    heading(235, 4, "matching"),
    heading(236, 4, "results"),
    flag(237, 4, "autofilter", "auto filter", true,
         "show only the matching lines while typing a search."),
    flag(238, 4, "casesearch", "case sensitive", false,
         "upper and lower case letters must match exactly."),
    flag(239, 4, "searchseq", "words in sequence", true,
         "several words must occur in the order typed."),
    flag(240, 4, "markcase", "mark case", false,
         "hits are marked only where the letter case matches."),
    flag(241, 4, "accentsearch", "accent insensitive", true,
         "letters with and without accents match each other."),
    flag(242, 4, "allowops", "allow operators", true,
         "AND OR NOT and * in the find mask work as operators."),
    flag(243, 4, "punctsearch", "punctuation insensitive", true,
         "similar punctuation characters match each other."),
    flag(244, 4, "oneclicksearch", "one click search", false,
         "a click on a word searches for it. excludes one click edit."),
    flag(245, 4, "highresultline", "highlight result line", false,
         "the line of the current result is highlighted."),
    flag(246, 4, "markexcluded", "mark excluded", false,
         "show text excluded by NOT terms in a different colour."),
    heading(247, 4, "text editor settings"),
    flag(248, 4, "oneclickedit", "one click edit", false,
         "a click into the text starts editing. excludes one click search."),
    flag(249, 4, "doubleclicksave", "double click save", false,
         "a double click on the edit frame saves the file."),
    flag(250, 4, "hieditres", "highlight results while editing", true,
         "search hits stay marked in the editor."),
    flag(251, 4, "autoinsert", "auto insert", false, "typing inserts instead of overwriting."),
    flag(252, 4, "blanktabs", "blanks for tabs", false, "the TAB key inserts blanks."),
    flag(253, 4, "autoindent", "auto indent", false,
         "a new line starts with the indentation of the previous one."),
    flag(254, 4, "freecursor", "free cursor", false,
         "the cursor may move beyond the end of a line."),
    flag(255, 4, "popupexteditor", "offer external editor", false,
         "offer to open the file in the external editor."),
    heading(256, 4, "additional infos"),
    infoField(257, 4),

    // general
    heading(258, 5, "general settings"),
    heading(259, 5, "config file"),
    flag(260, 5, "saveConfigOnExit", "save config on exit", true,
         "changed settings are written to the config file when tessel ends."),
    flag(261, 5, "saveConfigOnCtrlS", "save config on CTRL+S", true,
         "CTRL+S also writes changed settings to the config file."),
    flag(262, 5, "assist", "typing assistant", true,
         "shows hints and suggestions while typing a search."),
    flag(263, 5, "scrollall", "scroll all views", true,
         "scrolling with the mouse over a view scrolls it without activating it."),
    flag(264, 5, "esccloseapp", "ESC closes tessel", true,
         "the ESC key closes the view when nothing else is to be cancelled."),
    flag(265, 5, "appexitask", "ask before exit", false, "ask before tessel ends."),
    flag(266, 5, "textoverbook", "text over bookmarks", false,
         "the text view may cover the bookmark list."),
    flag(267, 5, "bookmarktabsize", "bookmarks keep tab size", true,
         "jumping to a bookmark restores the tab size it was made with."),
    flag(268, 5, "autosuggest", "auto suggest", true, "suggest words while typing."),
    flag(269, 5, "savesuggest", "save suggestions", true, "keep the suggested words."),
    flag(270, 5, "globaldict", "global dictionary", false, "one dictionary for all texts."),
    flag(271, 5, "snapautoreload", "auto reload snapfiles", false,
         "after loading a snapfile, its files are loaded again from disk."),
    flag(272, 5, "oneclickresize", "one click resize", true,
         "a click on a view border changes the view sizes."),
    flag(273, 5, "loadrelnames", "relative file names", true,
         "file names are stored relative to the loaded folder."),
    flag(274, 5, "localhighlight", "local word highlight", false,
         "word highlights apply to the current view only."),
    flag(275, 5, "showspeed", "show speed", true, "show the search and load speed."),
    flag(276, 5, "showmiles", "show miles", false, "show distances in miles instead of km."),
    flag(277, 5, "clipLoadTop", "clipboard load at top", true,
         "text loaded from the clipboard is shown from its top."),
    flag(278, 5, "clipLoadBottom", "clipboard load at bottom", false,
         "text loaded from the clipboard is shown from its end."),
    flag(279, 5, "clipAppendUseSeparator", "separator between clips", false,
         "appended clipboard texts are separated by the separator line."),
    flag(280, 5, "enableMouseBookDelay", "delay search over bookmarks", false,
         "while the mouse is over the bookmark list, searches wait longer."),
    flag(281, 5, "scrollnobook", "scroll without bookmarks", false,
         "the mouse wheel over the bookmark list scrolls the text."),
    flag(282, 5, "enableClipAutomation", "clipboard automation", false,
         "copied text is searched or loaded automatically."),
    heading(283, 5, "history"),
    heading(284, 5, "back / forward:"),
    text(285, 5, "historymaxsteps", 512, "15", "number of back and forward steps, 0 to switch off."),
    heading(286, 5, "steps"),
    flag(287, 5, "trimoncopy", "trim on copy", true, "copied lines lose their trailing blanks."),
    flag(288, 5, "trimkeepfirst", "keep first indent", true,
         "trimming keeps the indentation of the first line."),
    flag(289, 5, "loadshow", "show loading", true, "show the loaded lines while loading."),
    flag(290, 5, "loadshowfull", "show loading in full", false,
         "show every loaded line, which is slower."),
    flag(291, 5, "showsidebar", "show sidebar", true, "show the sidebar with the view buttons."),
    flag(292, 5, "sidebarpermanent", "permanent sidebar", false,
         "the sidebar stays visible all the time."),
    flag(293, 5, "usegaps", "gaps between views", false,
         "leave a gap of the given width between views."),
    text(294, 5, "gapsize", 512, "30"),
    heading(295, 5, "pixels"),
    heading(296, 5, "network text"),
    flag(297, 5, "netTextReceive", "receive network text", false,
         "show text that is sent to tessel by UDP."),
    text(298, 5, "netTextReceivePort", 512, "21323", "UDP port for network text."),
    heading(299, 5, "storing"),
    text(300, 5, "netTextLines", 512, "3000", "lines kept of the network text."),
    heading(301, 5, "lines x"),
    text(302, 5, "netTextCharsPerLine", 512, "1000", "characters kept per line."),
    heading(303, 5, "chars"),
    flag(304, 5, "netRawAutoLF", "line end after each packet", false,
         "plain network text gets a line end after each received packet."),
    heading(305, 5, "additional infos"),
    infoField(306, 5),

    // ctx 1
    heading(307, 6, "block context display (1/3)"),
    heading(308, 6, "rules 1 to 10"),
    flag(309, 6, "usectx", "show block context", true,
         "the top line of a view shows the function or class around the lines on screen."),
    heading(310, 6, "look back up to"),
    heading(311, 6, "(100 to 10000)"),
    heading(312, 6, "scan"),
    text(313, 6, "usectxlines", 512, "1000", "lines above the screen that are searched."),
    heading(314, 6, "lines"),
    heading(315, 6, "in files"),
    heading(316, 6, "/search for/display as/"),
    contextPath(317, 6, "ctxv1path", ".cpp .cxx"),
    contextMatch(318, 6, "ctx1vmatch", "/[1.100 chars of a-z0-9_][0.10 white]*::[.100 bytes]([.500 bytes not {])[.300 bytes not ;}]{/[all]/"),
    contextPath(319, 6, "ctxv2path", ".c*"),
    contextMatch(320, 6, "ctxv2match", "/[1.100 chars of a-z0-9_][1 byte of \\r\\n \\t][1.100 bytes of a-z0-9_\\r\\n\\t *](**)/"),
    contextPath(321, 6, "ctxv3path", ".h* .c"),
    contextMatch(322, 6, "ctxv3match", "/struct [1.30 chars of a-z]**{/"),
    contextPath(323, 6, "ctxv4path", ".h* .cpp .cxx"),
    contextMatch(324, 6, "ctxv4match", "/class [1.30 chars of a-z]**{/"),
    contextPath(325, 6, "ctxv5path", ".js"),
    contextMatch(326, 6, "ctxv5match", "/[white]* = function*/[parts 2-4]/"),
    contextPath(327, 6, "ctxv6path", ".java"),
    contextMatch(328, 6, "ctxv6match", "/[white][1.30 chars of a-z][white][1.30 chars of a-z]([0.300 bytes of a-z0-9., \\r\\n\\t\\0])[0.100 bytes of a-z0-9 \\r\\n\\t\\0]{/"),
    contextPath(329, 6, "ctxv7path", ".php"),
    contextMatch(330, 6, "ctxv7match", "/class[white][1.500 bytes]{/"),
    contextPath(331, 6, "ctxv8path", ".php"),
    contextMatch(332, 6, "ctxv8match", "/function[white][1.500 bytes]{/"),
    contextPath(333, 6, "ctxv9path", ""),
    contextMatch(334, 6, "ctxv9match", ""),
    contextPath(335, 6, "ctxv10path", ""),
    contextMatch(336, 6, "ctxv10match", ""),
    heading(337, 6, "additional infos"),
    infoField(338, 6),

    // ctx 2
    heading(339, 7, "block context display (2/3)"),
    heading(340, 7, "rules 11 to 20"),
    heading(341, 7, "in files"),
    heading(342, 7, "/search for/display as/"),
    heading(343, 7, "a rule applies to files matching its mask"),
    heading(344, 7, "the nearest match above the screen wins"),
    contextPath(345, 7, "ctxv11path", "\"// help\""),
    contextMatch(346, 7, "ctxv11match", "/chapter *:*/"),
    contextPath(347, 7, "ctxv12path", ".py .pyw"),
    contextMatch(348, 7, "ctxv12match", "/[0.60 chars of a-z \\t]def [1.100 chars of a-z0-9_][0.10 white](*/"),
    contextPath(349, 7, "ctxv13path", ".py .pyw"),
    contextMatch(350, 7, "ctxv13match", "/[0.60 white]class [1.100 chars of a-z0-9_]*/"),
    contextPath(351, 7, "ctxv14path", ".rs"),
    contextMatch(352, 7, "ctxv14match", "/[0.60 chars of a-z()_ \\t]fn [1.100 chars of a-z0-9_][.500 bytes not ;{}]{/"),
    contextPath(353, 7, "ctxv15path", ".rs"),
    contextMatch(354, 7, "ctxv15match", "/[0.60 chars of a-z()_ \\t]impl[1 byte of < \\t][.300 bytes not ;{}]{/"),
    contextPath(355, 7, "ctxv16path", ".rs"),
    contextMatch(356, 7, "ctxv16match", "/[0.60 chars of a-z()_ \\t]struct [1.100 chars of a-z0-9_][.300 bytes not ;{}]{/"),
    contextPath(357, 7, "ctxv17path", ".rs"),
    contextMatch(358, 7, "ctxv17match", "/[0.60 chars of a-z()_ \\t]enum [1.100 chars of a-z0-9_][.300 bytes not ;{}]{/"),
    contextPath(359, 7, "ctxv18path", ".rs"),
    contextMatch(360, 7, "ctxv18match", "/[0.60 chars of a-z()_ \\t]trait [1.100 chars of a-z0-9_][.300 bytes not ;{}]{/"),
    contextPath(361, 7, "ctxv19path", ".rs"),
    contextMatch(362, 7, "ctxv19match", "/[0.60 chars of a-z()_ \\t]mod [1.100 chars of a-z0-9_][.300 bytes not ;{}]{/"),
    contextPath(363, 7, "ctxv20path", ".go"),
    contextMatch(364, 7, "ctxv20match", "/func */"),
    heading(365, 7, "additional infos"),
    infoField(366, 7),

    // ctx 3
    heading(367, 8, "block context display (3/3)"),
    heading(368, 8, "rules 21 to 30"),
    heading(369, 8, "in files"),
    heading(370, 8, "/search for/display as/"),
    heading(371, 8, "a rule applies to files matching its mask"),
    heading(372, 8, "the nearest match above the screen wins"),
    contextPath(373, 8, "ctxv21path", ".go"),
    contextMatch(374, 8, "ctxv21match", "/type [1.100 chars of a-z0-9_]*struct*/"),
    contextPath(375, 8, "ctxv22path", ".sh .bash .zsh .ksh"),
    contextMatch(376, 8, "ctxv22match", "/[1.100 chars of a-z0-9_:.\\-][0.10 white]()*/"),
    contextPath(377, 8, "ctxv23path", ".sh .bash .zsh .ksh"),
    contextMatch(378, 8, "ctxv23match", "/function [1.100 chars of a-z0-9_:.\\-]*/"),
    contextPath(379, 8, "ctxv24path", ""),
    contextMatch(380, 8, "ctxv24match", ""),
    contextPath(381, 8, "ctxv25path", ""),
    contextMatch(382, 8, "ctxv25match", ""),
    contextPath(383, 8, "ctxv26path", ""),
    contextMatch(384, 8, "ctxv26match", ""),
    contextPath(385, 8, "ctxv27path", ""),
    contextMatch(386, 8, "ctxv27match", ""),
    contextPath(387, 8, "ctxv28path", ""),
    contextMatch(388, 8, "ctxv28match", ""),
    contextPath(389, 8, "ctxv29path", ""),
    contextMatch(390, 8, "ctxv29match", ""),
    contextPath(391, 8, "ctxv30path", ""),
    contextMatch(392, 8, "ctxv30match", ""),
    heading(393, 8, "additional infos"),
    infoField(394, 8),
}};
// clang-format on

constexpr bool idsAscending() {
    for (int i = 0; i < kSettingRowCount; ++i) {
        if (kRows[i].id != kFirstSettingId + i) return false;
    }
    return true;
}
static_assert(idsAscending(), "setting table rows must be in id order without gaps");

}  // namespace

std::span<const SettingDescriptor> settingTable() {
    return kRows;
}

bool isContextSlot(int position) {
    return (position >= 0 && position <= 9) || (position >= 14 && position <= 23) ||
           (position >= 28 && position <= 37);
}

int contextSlotOfRule(int rule) {
    if (rule < 1 || rule > kContextRules) return -1;
    return (rule - 1) + ((rule - 1) / 10) * 4;
}

}  // namespace tessel
