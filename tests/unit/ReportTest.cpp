// SPDX-License-Identifier: MIT
// What the show prints about files: names are shown as text a terminal cannot act on.

#include <gtest/gtest.h>

#include "platform/Report.h"

namespace {

TEST(Report, EscapesControlCharactersAndKeepsText)
{
    EXPECT_EQ(veko::printable("plain \xc3\xa9t\xc3\xa9 \xe2\x98\x85"), "plain \xc3\xa9t\xc3\xa9 \xe2\x98\x85");
    EXPECT_EQ(veko::printable("\x1b[2J\r\n\t\x7f"), "\\x1b[2J\\x0d\\x0a\\x09\\x7f");
    EXPECT_EQ(veko::printable("\xc2\x9b" "6n \xff \xc0\xaf a\\b"), "\\xc2\\x9b6n \\xff \\xc0\\xaf a\\\\b");
}

} // namespace
