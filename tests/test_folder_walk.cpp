// The engine's walk through folders: what a given path names, the order of the movies, a folder reached twice, and
// a walk stopped between entries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "folder_walk.h"
#include "platform.h"
#include "test_support.h"

using sqztest::ScratchDir;

TEST(FolderWalk, WhatAGivenPathNames) {
    ScratchDir d;
    const char sep = sqz::kPathSep;
    sqztest::WriteAll(d / "a.swf", {'F', 'W', 'S'});
    const std::string root = d.path(), bare = root.substr(0, root.size() - 1);
    struct Case {
        std::string path;
        sqz::NamedKind kind;
        std::string named;
    };
    const Case cases[] = {
        {root + "a.swf", sqz::NamedKind::kFile, root + "a.swf"},
        {root + "a.swf" + sep, sqz::NamedKind::kFile, root + "a.swf"},
        {bare, sqz::NamedKind::kFolder, root},
        {root, sqz::NamedKind::kFolder, root},
        {root + sep + sep, sqz::NamedKind::kFolder, root},
        {root + "missing.swf", sqz::NamedKind::kNothing, ""},
        {"", sqz::NamedKind::kNothing, ""},
#ifdef _WIN32
        // Roots that a search does not find by their names.
        {"C:", sqz::NamedKind::kFolder, "C:\\"},
        {"C:\\", sqz::NamedKind::kFolder, "C:\\"},
        {"\\\\server\\share\\", sqz::NamedKind::kFolder, "\\\\server\\share\\"},
#else
        {"/", sqz::NamedKind::kFolder, "/"},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        sqz::NamedPath named = sqz::LookUpNamedPath(c.path);
        EXPECT_EQ(named.kind, c.kind);
        EXPECT_EQ(named.strPath, c.named);
    }
}

TEST(FolderWalk, NameOrderEachFolderOnceAndStop) {
    ScratchDir d;
    const char sep = sqz::kPathSep;
    const std::string root = d.path();
    for (const char* folder : {"sub", "Sub2"}) sqz::PlatformFiles().CreateFolder(d / folder);
    for (std::string name : {"B.swf", "a.swf", "c_bak.swf", "d.txt", "sub/x.swf", "Sub2/y.SWF"}) {
        for (char& c : name)
            if (c == '/') c = sep;
        sqztest::WriteAll(d / name, {'F', 'W', 'S'});
    }
    // The same folders again: by another name (letter case) on Windows; by links, one of them a loop, elsewhere.
#ifdef _WIN32
    const std::vector<std::string> again = {root, d / "SUB\\"};
#else
    ASSERT_EQ(symlink(root.c_str(), (d / "sub/loop").c_str()), 0);
    ASSERT_EQ(symlink((d / "Sub2").c_str(), (d / "alias").c_str()), 0);
    const std::vector<std::string> again = {root, d / "alias/"};
#endif
    auto walk = [&](bool recursive, const std::vector<std::string>& folders, size_t stopAfter = SIZE_MAX) {
        std::vector<std::string> movies;
        std::vector<size_t> counts;
        sqz::FolderWalk w(recursive);
        w.onMovie = [&](const std::string& path) { movies.push_back(path); };
        w.onProgress = [&](size_t found) {
            counts.push_back(found);
            return found < stopAfter;
        };
        bool whole = true;
        for (const std::string& folder : folders) whole = w.Walk(folder) && whole;
        EXPECT_EQ(whole, stopAfter == SIZE_MAX);
        EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
        EXPECT_EQ(counts.back(), movies.size());
        return movies;
    };
    const std::vector<std::string> flat = {root + "a.swf", root + "B.swf"};
    const std::vector<std::string> deep = {root + "a.swf", root + "B.swf", root + "sub" + sep + "x.swf",
                                           root + "Sub2" + sep + "y.SWF"};
    EXPECT_EQ(walk(false, {root}), flat);
    EXPECT_EQ(walk(true, {root}), deep);
    std::vector<std::string> twice = {root};
    twice.insert(twice.end(), again.begin(), again.end());
    EXPECT_EQ(walk(true, twice), deep) << "a folder reached twice is walked once";
    // Stopped: what was found before stays found, and the walker walks no more.
    EXPECT_EQ(walk(true, {root, root + "sub" + sep}, 1), std::vector<std::string>{root + "a.swf"});
#ifdef _WIN32
    // A folder holding a link back to its parent: each is walked once. Folder links are read as folders on Windows.
    if (const char* loop = std::getenv("SQZ_LINK_LOOP")) {
        const std::string folder = std::string(loop) + sep;
        EXPECT_EQ(walk(true, {folder}), std::vector<std::string>{folder + "sub" + sep + "m.swf"});
    }
#else
    // Names that differ in case alone come in byte order.
    sqztest::WriteAll(d / "b.swf", {'F', 'W', 'S'});
    EXPECT_EQ(walk(false, {root}), (std::vector<std::string>{root + "a.swf", root + "B.swf", root + "b.swf"}));
#endif
}
