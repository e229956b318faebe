#pragma once
// What the engine's tests share, and the wizard's tests with them: a private temporary folder, the
// installation state in the registry and the system with time taken out.

#include "common/CommonUtils.h"
#include "engine/System.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zarvo::testing {

// A fresh folder that is the process's TMP and TEMP while the object lives; the wizard writes its
// files there. Child processes started meanwhile inherit it.
class TPrivateTemp {
public:
    TPrivateTemp();
    TPrivateTemp(const TPrivateTemp&) = delete;
    TPrivateTemp& operator=(const TPrivateTemp&) = delete;
    ~TPrivateTemp();

    // With the trailing backslash, as the wizard's messages show it.
    std::wstring Folder() const { return folder_.Path() + L"\\"; }
    std::wstring operator/(const std::wstring& name) const { return folder_ / name; }

private:
    TempFolder folder_;
    std::wstring savedTmp_, savedTemp_;
};

// The installation state in HKLM, removed before and after each test that uses it.
class TInstallState {
public:
    TInstallState();
    TInstallState(const TInstallState&) = delete;
    TInstallState& operator=(const TInstallState&) = delete;
    ~TInstallState();

    static void Clear();
    void SetProgPath(const std::wstring& path);
    void SetProgPathDword(DWORD value); // a value of the wrong type
    void SetAutoReinstall(DWORD value);
};

// The real system but for time: waits are noted, not slept, and the close passes are short. A test may
// also change a start-up file right after it is written, and give the free space and the write probe's
// answer.
class TQuickSystem : public TSystem {
public:
    TQuickSystem() { closeTimings.searches = 3; }

    void Wait(DWORD milliseconds) const override { waits.push_back(milliseconds); }
    void StartupFileWritten(const std::wstring& fileName) const override {
        if (onStartupFile)
            onStartupFile(fileName);
    }
    std::optional<uint64_t> FreeSpace(const std::wstring& folder) const override {
        return freeSpace ? *freeSpace : TSystem::FreeSpace(folder);
    }
    bool CanWrite(const std::wstring& folder) const override {
        return writable ? *writable : TSystem::CanWrite(folder);
    }
    bool PlacementFails(const std::wstring& destination) const override {
        return !fullAt.empty() && destination.ends_with(L"\\" + fullAt);
    }

    mutable std::vector<DWORD> waits;
    std::function<void(const std::wstring& fileName)> onStartupFile;
    std::optional<std::optional<uint64_t>> freeSpace; // set: the free space the drive reports
    std::optional<bool> writable;                     // set: the write probe's answer
    std::wstring fullAt;                              // the drive fills up as the file of this name is placed
};

// The common unit started as the program starts it, a private temporary folder and a clean installation
// state for every test.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::optional<TPrivateTemp> temp;
    std::optional<TInstallState> state;
    TQuickSystem system;
};

} // namespace zarvo::testing
