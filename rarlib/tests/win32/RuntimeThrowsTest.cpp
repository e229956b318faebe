// The library's throw helpers as common/QuietTerminate.cpp defines them for the program: a misuse
// of std::wstring or std::vector still throws, catchable where the library's own types were, and what()
// names the operation.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace rarlib::test {
namespace {

struct ThrowCase {
    const char* name;
    std::function<void()> misuse;
    bool isBadAlloc;       // caught as std::bad_alloc, as the library's own allocation failures are
    std::string_view what; // what() begins with this
};

TEST(RuntimeThrows, MisusesThrowCatchableExceptionsNamingTheOperation) {
    const ThrowCase cases[] = {
        {"wstring::substr past the end", [] { (void)std::wstring(L"ab").substr(3); }, false,
         "basic_string::substr"},
        {"wstring::at past the end", [] { (void)std::wstring(L"ab").at(2); }, false, "basic_string::at"},
        {"vector::at past the end", [] { (void)std::vector<int>(1).at(1); }, false, "vector::_M_range_check"},
        {"vector::reserve beyond max_size",
         [] {
             std::vector<int> v;
             v.reserve(v.max_size() + 1);
         },
         false, "vector::reserve"},
        {"wstring::reserve beyond max_size",
         [] {
             std::wstring s;
             s.reserve(s.max_size() + 1);
         },
         false, "basic_string::_M_create"},
        {"empty std::function called", [] { std::function<void()>()(); }, false, "bad_function_call"},
        {"allocation larger than the address space",
         [] { (void)std::allocator<int>().allocate(SIZE_MAX / 2); }, true, "std::bad_array_new_length"},
        {"allocation beyond max_size", [] { (void)std::allocator<int>().allocate(SIZE_MAX / 4 - 1); }, true,
         "std::bad_alloc"},
    };
    for (const ThrowCase& c : cases) {
        SCOPED_TRACE(c.name);
        bool caught = false;
        try {
            c.misuse();
        } catch (const std::bad_alloc& e) {
            caught = true;
            EXPECT_TRUE(c.isBadAlloc);
            EXPECT_EQ(std::string_view(e.what()).substr(0, c.what.size()), c.what);
        } catch (const std::exception& e) {
            caught = true;
            EXPECT_FALSE(c.isBadAlloc);
            EXPECT_EQ(std::string_view(e.what()).substr(0, c.what.size()), c.what);
        }
        EXPECT_TRUE(caught);
    }
}

} // namespace
} // namespace rarlib::test
