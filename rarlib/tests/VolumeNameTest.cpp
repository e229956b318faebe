#include <gtest/gtest.h>

#include "archive/VolumeName.h"

namespace rarlib {
namespace {

struct NameCase {
    const char* current;
    bool newNumbering;
    const char* next;
};

TEST(VolumeName, CountsUpInBothSchemes) {
    const NameCase cases[] = {
        {"dir/set.part1.rar", true, "dir/set.part2.rar"},
        {"set.part9.rar", true, "set.part10.rar"},
        {"set.part09.rar", true, "set.part10.rar"},
        {"set.part99.rar", true, "set.part100.rar"},
        {"set.PART001.RAR", true, "set.PART002.RAR"},
        {"my.v2.data.part3.rar", true, "my.v2.data.part4.rar"},
        {"dir/set.rar", false, "dir/set.r00"},
        {"set.r00", false, "set.r01"},
        {"set.r09", false, "set.r10"},
        {"set.r99", false, "set.s00"},
        {"setup.exe", false, "setup.r00"},
        {"noext", false, "noext.r00"},
        // New numbering without digits to count: the old scheme.
        {"set.rar", true, "set.r00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(nextVolumeName(c.current, c.newNumbering).native(), c.next) << c.current;
    }
}

} // namespace
} // namespace rarlib
