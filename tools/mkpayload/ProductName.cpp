#include "ProductName.h"

#include "Cp866.h"

#include <array>

namespace mkpayload {
namespace {

bool IsReservedDeviceName(std::string_view cp866Name) {
    // Windows maps these to devices whatever the extension, and ignores spaces before the dot.
    std::string base = Cp866ToUpper(cp866Name.substr(0, cp866Name.find('.')));
    while (!base.empty() && base.back() == ' ') {
        base.pop_back();
    }
    static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
    for (const std::string_view reserved : kPlain) {
        if (base == reserved) {
            return true;
        }
    }
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' &&
           base[3] <= '9';
}

} // namespace

bool EncodeProductName(std::string_view utf8Name, std::string& cp866Name, std::string& error) {
    if (utf8Name.empty()) {
        error = "is empty";
        return false;
    }
    std::string encoded;
    std::string why;
    if (!Utf8ToCp866(utf8Name, encoded, why)) {
        error = "cannot be stored in the OEM code page CP866: " + why;
        return false;
    }
    for (const char c : encoded) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            error = "has a control character, which Windows does not allow in file names";
            return false;
        }
        if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) {
            error = std::string("has the character '") + c + "', which Windows does not allow in file names";
            return false;
        }
    }
    if (encoded.back() == '.' || encoded.back() == ' ') {
        error = "ends in a dot or a space, which Windows drops from file names";
        return false;
    }
    if (IsReservedDeviceName(encoded)) {
        error = "is a reserved device name on Windows";
        return false;
    }
    if (kDistFolderPrefix.size() + encoded.size() > kMaxStoredNameBytes) {
        error = "is too long: the installer reads at most " + std::to_string(kMaxStoredNameBytes) +
                " bytes of \"Dist\\\" + name, this one has " +
                std::to_string(kDistFolderPrefix.size() + encoded.size());
        return false;
    }
    cp866Name = std::move(encoded);
    return true;
}

} // namespace mkpayload
