#include "rename/new_name.h"

#include <gtest/gtest.h>

namespace {

using namespace rr::rename;

TEST(NewName, EntryFileNameIsTheLastPiece) {
    EXPECT_EQ(entryFileName("app\\bin\\start.exe"), "start.exe");
    EXPECT_EQ(entryFileName("start.exe"), "start.exe");
    EXPECT_EQ(entryFileName("\\start.exe"), "start.exe");
    EXPECT_EQ(entryFileName("\x81\x5C"
                            "a.exe"),
              "\x81\x5C"
              "a.exe");
}

TEST(NewName, CutsTheSuffixAndAddsRar) {
    EXPECT_EQ(newArchiveName("setup.exe", 4), "setup.rar");
    EXPECT_EQ(newArchiveName("Setup.EXE", 4), "Setup.rar");
    EXPECT_FALSE(newArchiveName(".exe", 4));
    EXPECT_EQ(directoryOf("D:\\g\\a.rar"), "D:\\g\\");
    EXPECT_EQ(directoryOf("a.rar"), "");
}

TEST(NewName, PlainFileNames) {
    for (const char* ok : {"setup.rar", "x .rar", "COM0.rar", "console.rar", "中文.rar",
                           "\x81\x5C.rar", "\x81\x7C.rar"}) {
        EXPECT_TRUE(isPlainFileName(ok)) << ok;
    }
    for (const char* bad :
         {"",         ".",           "..",       "a.",       "a ",       "CON",
          "con.rar",  "Nul.tar.rar", "aux .rar", "COM1.rar", "lpt9.rar", "CONIN$.rar",
          "a\\b.rar", "a/b.rar",     "a:b.rar",  "a*b.rar",  "a?b.rar",  "a\"b.rar",
          "a<b.rar",  "a>b.rar",     "a|b.rar",  "a\tb.rar", "\x81",     "\x81.rar"}) {
        EXPECT_FALSE(isPlainFileName(bad)) << bad;
    }
}

} // namespace
