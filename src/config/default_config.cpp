// The built-in configuration: what runs when no configuration file exists, and what a newly
// created file contains. Lines end in LF here; files are written with CR LF.
#include <cstring>

#include "base/log/message_log.h"
#include "config/config_file.h"

namespace tessel {
namespace {

constexpr const char kDefaultConfig[] = R"(// Tessel configuration file.
//
// Tessel looks for this file, in this order:
//  - the path given by the option -conf as the very first option,
//  - the Data folder beside the executable of the portable edition,
//  - outside linux mode: the current folder, the folders of PATH, then the folder
//    of the executable (but never below /usr),
//  - your configuration folder, $XDG_CONFIG_HOME/tessel (normally ~/.config/tessel).
//
// Rules of this file:
//  - empty lines must not contain any white space,
//  - lines must not start with white space,
//  - a setting is a keyword, blanks, and its value. do not use '=' between them.
//  - text after // at the end of a value is a remark.
//
// Settings may also be given by the environment variable TESSEL_CONFIG,
// which has priority over this file, for example:
//    TESSEL_CONFIG=maxload:200,case:no,searchseq:yes,autoreload:no
//
// Tessel writes changed settings back into this file. It replaces only the
// lines of changed settings and keeps all your remarks and their order.
// The sections <QVContext>, <QVControls> and <QVScripts> are written anew at
// the end of the file.

config-version 170
linux default

// saving changes
saveConfigOnExit yes
saveConfigOnCtrlS yes

// leaving tessel
esccloseapp yes
appexitask no

// loading
maxload default       // MB. load more only after asking.
maxcache default      // MB
framemode default     // default, master, isolated or overscan
startlean no
usefilemask no
filemask .txt .cpp .hpp !.bak !.tmp
usedirmask no
dirmask !\tmp !\save
appenddragdrop no

// searching
casesearch no
punctsearch yes
accentsearch yes
searchseq yes
autofilter yes
autoresetfind 0       // msec. 0 = never reset the find mask.

// reloading changed files
autoreload no
limitautoreload no
autoreloadmask mydir1 mydir2 mydir3
reloaddelayonsize off
reloaddelaysizemb 10  // MB
snapautoreload no
reload-scan-max-time 15   // seconds

// folder loading
loadsub yes
loadhidden no
loadzips no
loadbin no
loadwchar no

// mouse and editing
oneclickedit no
doubleclicksave no
oneclicksearch no
oneclicksearchdelay 300   // msec
oneclickresize yes
highresultline no
blanktabs no
autoindent no
cursorblinkspeed 1000     // msec, 1000 ... 5000
markexcluded no
userkeys yes
autoloadconfig yes
searchdelay 800           // msec
mousebookdelay 3000       // msec. -1 = no search while over bookmarks.
space default             // vertical:horizontal or top:right:bottom:left
noumlauts no
tabsize default
bookmarktabsize on
startbmset 1              // 1 ... 9
textoverbook no
wordshowtime 1500         // msec
wordshowdelay 0           // msec. 0 = off.
markcase no
globaldict off
autosuggest off
savesuggest off
loadrelnames on

// clipboard automation
separatorline ----------------------------------------
view1clipfind $clipline
view1clippath
view2clipfind class *$clipline NOT ;
view2clippath
view3clipfind ::$clipline
view3clippath
clipautodelay default     // initial,fallback,maximum msec
clipallowdups no
clipminlines 1
scanclipurl no

// fonts: name,width,height,weight,linespacing
// optionally followed by ,pitchfamily,quality,outprecision,charset
// for example:  mainfont Courier New,8,16,400,1
mainfont default
mainfont2 default
autoselectfont2 off       // pixels of window width, or off
usemainfont2 no
bookfont default
bookfont2 default
usebookfont2 no
menufont default

runeditor notepad "$absfile"

// colours of syntax highlighting, as RRGGBB
color shl-keys1 0000D0
color shl-keys2 0000D0
color shl-keys3 0000D0
color shl-keys4 0000D0
color shl-keys5 0000D0
color shl-keys6 F06000
color shl-remarks 008060
color shl-strings 707070

/*
A language for syntax highlighting. Attribute values are in double quotes;
ext= lists the file extensions, keys1 ... keys6 are the keyword groups.

<Language name="MyScript" ext="mys myx" commentLine="#"
   commentStart="/+" commentEnd="+/" opt="nocase">
   <Keywords name="keys1">begin end if then else</Keywords>
   <Keywords name="keys2">print input</Keywords>
</Language>
*/
)";

}  // namespace

std::string_view defaultConfigText() {
    return {kDefaultConfig, sizeof kDefaultConfig - 1};
}

std::string defaultConfigTextFor(bool linuxMode) {
    std::string text(defaultConfigText());
    if (!linuxMode) return text;
    // Same length, so that nothing else in the text moves.
    size_t at = text.find("\nlinux default\n");
    if (at == std::string::npos) {
        logError(0, "missing field in default config\n");
        return text;
    }
    text.replace(at + 7, 7, "on     ");
    return text;
}

}  // namespace tessel
