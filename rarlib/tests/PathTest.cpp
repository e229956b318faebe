#include <gtest/gtest.h>

#include "platform/Path.h"

namespace rarlib {
namespace {

#ifdef _WIN32
#define P(text) L##text
#else
#define P(text) text
#endif

struct SplitCase {
    const Path::Char* path;
    const Path::Char* parent;
    const Path::Char* filename;
};

// makeDirectories climbs parent_path until it stops changing: every root must be a fixed point, and
// no parent may lose its root (that would create folders in the current folder instead).
TEST(Path, SplitsIntoParentAndFilename) {
    const SplitCase cases[] = {
        {P("file.rar"), P(""), P("file.rar")},
        {P("dir/file.rar"), P("dir"), P("file.rar")},
        {P("dir//file.rar"), P("dir"), P("file.rar")},
        {P("dir/"), P("dir"), P("")},
        {P("/file.rar"), P("/"), P("file.rar")},
        {P("/"), P("/"), P("")},
        {P("/a/b/c"), P("/a/b"), P("c")},
#ifdef _WIN32
        {P("C:\\dir\\file.rar"), P("C:\\dir"), P("file.rar")},
        {P("C:\\dir/file.rar"), P("C:\\dir"), P("file.rar")},
        {P("C:\\file.rar"), P("C:\\"), P("file.rar")},
        {P("C:\\"), P("C:\\"), P("")},
        {P("C:file.rar"), P("C:"), P("file.rar")},
        {P("C:"), P("C:"), P("")},
        {P("\\\\server\\share\\dir\\f"), P("\\\\server\\share\\dir"), P("f")},
        {P("\\\\server\\share\\f"), P("\\\\server\\share\\"), P("f")},
        {P("\\\\server\\share\\"), P("\\\\server\\share\\"), P("")},
        {P("\\\\?\\C:\\f"), P("\\\\?\\C:\\"), P("f")},
#else
        {P("C:\\dir\\file.rar"), P(""), P("C:\\dir\\file.rar")},
#endif
    };
    for (const auto& c : cases) {
        const Path path(c.path);
        EXPECT_EQ(path.parent_path().native(), c.parent) << testing::PrintToString(path.native());
        EXPECT_EQ(path.filename().native(), c.filename) << testing::PrintToString(path.native());
    }
}

struct JoinCase {
    const Path::Char* left;
    const Path::Char* right;
    const Path::Char* joined;
};

TEST(Path, JoinsWithExactlyOneSeparator) {
#ifdef _WIN32
    const JoinCase cases[] = {
        {P("C:\\out"), P("a\\b.txt"), P("C:\\out\\a\\b.txt")},
        {P("C:\\out\\"), P("b.txt"), P("C:\\out\\b.txt")},
        {P("C:\\out/"), P("b.txt"), P("C:\\out/b.txt")},
        {P("C:"), P("b.txt"), P("C:b.txt")},
        {P(""), P("b.txt"), P("b.txt")},
        {P("C:\\out"), P(""), P("C:\\out")},
    };
#else
    const JoinCase cases[] = {
        {P("/out"), P("a/b.txt"), P("/out/a/b.txt")},
        {P("/out/"), P("b.txt"), P("/out/b.txt")},
        {P("/"), P("b.txt"), P("/b.txt")},
        {P("C:"), P("b.txt"), P("C:/b.txt")},
        {P(""), P("b.txt"), P("b.txt")},
        {P("/out"), P(""), P("/out")},
    };
#endif
    for (const auto& c : cases) {
        EXPECT_EQ((Path(c.left) / Path(c.right)).native(), c.joined) << testing::PrintToString(c.left);
        Path appended(c.left);
        appended /= Path(c.right);
        EXPECT_EQ(appended, Path(c.joined));
    }
}

} // namespace
} // namespace rarlib
