#include "text/file_kind.h"

#include <gtest/gtest.h>

namespace tessel {
namespace {

struct KindCase {
    const char* name;
    const char* firstLine;
    int kind;
};

void expectKinds(std::initializer_list<KindCase> cases) {
    for (const KindCase& c : cases) {
        EXPECT_EQ(fileKind(c.name, c.firstLine), c.kind) << c.name << " / " << c.firstLine;
    }
}

TEST(FileKind, OlderKindsByExtension) {
    expectKinds({
        {"src/a.h", "", kLanguageC},
        {"a.hpp", "", kLanguageC},
        {"a.CPP", "", kLanguageC},
        {"a.c++", "", kLanguageC},
        {"Main.java", "", kLanguageJava},
        {"page.jsp", "", kLanguageJava | kKindMarkup},
        {"q.sql", "", kLanguageSql},
        {"s.css", "", kLanguageCss},
        {"page.HTML", "", kLanguageJavaScript | kKindMarkup},
        {"app.js", "", kLanguageJavaScript},
        {"data.xml", "", kKindXml | kKindMarkup},
        {"index.php", "", kKindMarkup},
        {"notes.txt", "", kLanguageNone},
        {"// help", "", kLanguageHelp},
    });
}

TEST(FileKind, TheExtensionIsTakenFromTheBaseName) {
    // A dot in a folder name is no extension.
    expectKinds({{"/home/me/src.c/README", "", 0}, {"C:\\work.h\\notes", "", 0}, {"a.", "", 0}});
    char buffer[41];
    EXPECT_EQ(fileExtension("dir/Archive.TAR.GZ", buffer), "gz");
    EXPECT_EQ(fileExtension("x.c++", buffer), "c");
    EXPECT_EQ(fileExtension(std::string(80, 'a') + "." + std::string(60, 'b'), buffer).size(), 40u);
}

TEST(FileKind, FirstLineDecidesOnlyWithoutAKind) {
    expectKinds({
        {"feed", "<?xml version=\"1.0\"?> ", kKindXml | kKindMarkup},
        {"notes.txt", "<?xml version=\"1.0\"?> ", kKindXml | kKindMarkup},
        {"page", "<!DOCTYPE HTML> ", kKindMarkup},
        {"page", "<Html lang=en> ", kKindMarkup},
        {"main.c", "<?xml version=\"1.0\"?> ", kLanguageC},
        {"x", "<?xml", 0},  // the blank after "<?xml" is part of the test
    });
}

TEST(FileKind, TodaysLanguagesByExtensionAndName) {
    expectKinds({
        {"tool.py", "", kLanguagePython},
        {"setup.pyi", "", kLanguagePython},
        {"build.sh", "", kLanguageShell},
        {"lib.rs", "", kLanguageRust},
        {"main.go", "", kLanguageGo},
        {"view.tsx", "", kLanguageTypeScript},
        {"ci.yml", "", kLanguageYaml},
        {"package.json", "", kLanguageJson},
        {"README.md", "", kLanguageMarkdown},
        {"tool.cmake", "", kLanguageCMake},
        {"src/CMakeLists.txt", "", kLanguageCMake},
        {"other.txt", "", kLanguageNone},
        {"Makefile", "", kLanguageMakefile},
        {"sub/GNUmakefile", "", kLanguageMakefile},
        {"rules.mk", "", kLanguageMakefile},
        {"module.mjs", "", kLanguageJavaScript},
    });
}

TEST(FileKind, ScriptsWithoutExtensionByTheirInterpreter) {
    expectKinds({
        {"bin/tool", "#!/usr/bin/env python3 ", kLanguagePython},
        {"bin/tool", "#!/usr/bin/python3.11 -u ", kLanguagePython},
        {"bin/tool", "#!/usr/bin/env -S python3 -u ", kLanguagePython},
        {"bin/run", "#!/bin/sh ", kLanguageShell},
        {"bin/run", "#! /bin/bash -e ", kLanguageShell},
        {"bin/run", "#!/usr/bin/env bash ", kLanguageShell},
        {"bin/srv", "#!/usr/bin/env node ", kLanguageJavaScript},
        {"bin/x", "#!/usr/bin/perl ", kLanguageNone},
        {"bin/x", "#!/usr/bin/pythonista ", kLanguageNone},
        {"bin/x", "#!", kLanguageNone},
        // The extension says more than the first line.
        {"tool.py", "#!/bin/sh ", kLanguagePython},
    });
}

TEST(FileKind, NeverTouchesTheLineCommentBit) {
    for (const char* name : {"a.xml", "a.html", "a.jsp", "Makefile", "// help", "x.ts"}) {
        EXPECT_EQ(fileKind(name, "<?xml ") & kLineInBlockComment, 0) << name;
    }
    EXPECT_EQ(fileKindOf(nullptr, nullptr), 0);
}

}  // namespace
}  // namespace tessel
