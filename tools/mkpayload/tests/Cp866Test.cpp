#include "Cp866.h"

#include <cwctype>
#include <gtest/gtest.h>
#include <iconv.h>
#include <locale.h>

namespace mkpayload {
namespace {

// glibc's converter is the independent reference for the code page.
std::string Iconv(const char* to, const char* from, const std::string& in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "iconv_open " << from << " -> " << to;
        return {};
    }
    std::string input = in;
    std::string output(16, '\0');
    char* inPtr = input.data();
    char* outPtr = output.data();
    size_t inLeft = input.size();
    size_t outLeft = output.size();
    const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) {
        return {};
    }
    output.resize(output.size() - outLeft);
    return output;
}

TEST(Cp866, EveryByteMatchesGlibc) {
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::string utf8 = Iconv("UTF-8", "CP866", byte);
        EXPECT_EQ(Cp866ToUtf8(byte), utf8) << "byte " << b;
        std::string back;
        std::string error;
        EXPECT_TRUE(Utf8ToCp866(utf8, back, error)) << "byte " << b << ": " << error;
        EXPECT_EQ(back, byte) << "byte " << b;
    }
}

TEST(Cp866, UpperCaseFollowsUnicode) {
    ASSERT_NE(setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::string wide = Iconv("WCHAR_T", "CP866", byte);
        ASSERT_EQ(wide.size(), sizeof(wchar_t));
        const auto cp = *reinterpret_cast<const wchar_t*>(wide.data());
        const wchar_t upper = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(cp)));
        const std::string expected =
            Iconv("CP866", "WCHAR_T", std::string(reinterpret_cast<const char*>(&upper), sizeof upper));
        EXPECT_EQ(std::string(1, Cp866ToUpper(static_cast<char>(b))), expected) << "byte " << b;
    }
    setlocale(LC_CTYPE, "C");
}

TEST(Cp866, RefusesWhatCannotBeEncoded) {
    const struct {
        const char* utf8;
        const char* why;
    } cases[] = {
        {"smörgås", "U+00F6"},          // Latin letter outside the code page
        {"\u0438\u0306.txt", "U+0306"}, // й decomposed: the combining breve has no code
        {"€", "U+20AC"},
        {"\xC0\xAF", "not valid UTF-8"},     // overlong '/'
        {"\xED\xA0\x80", "not valid UTF-8"}, // surrogate
        {"\xD0", "not valid UTF-8"},         // cut short
        {"\xFF", "not valid UTF-8"},
    };
    for (const auto& c : cases) {
        std::string out = "untouched";
        std::string error;
        EXPECT_FALSE(Utf8ToCp866(c.utf8, out, error)) << c.utf8;
        EXPECT_NE(error.find(c.why), std::string::npos) << c.utf8 << ": " << error;
        EXPECT_EQ(out, "untouched");
    }
}

} // namespace
} // namespace mkpayload
