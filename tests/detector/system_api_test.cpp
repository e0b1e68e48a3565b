// The real system table on the real (Wine) system: the functions it binds at run
// time instead of importing must behave as the system's own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "system_api.h"

namespace {

constexpr DWORD kTargetChars = 32767;  // room for the whole list of DOS names

// One QueryDosDeviceW answer: its length, its text and the error it left.
struct DosAnswer {
    DWORD length;
    std::wstring text;
    DWORD error;
};

template <typename Query>
DosAnswer Ask(Query query, const wchar_t* name) {
    std::vector<wchar_t> target(kTargetChars, L'\0');
    SetLastError(ERROR_SUCCESS);
    const DWORD length = query(name, target.data(), kTargetChars);
    const DWORD error = length ? ERROR_SUCCESS : GetLastError();
    return {length, std::wstring(target.data(), length), error};
}

void ExpectSameAnswer(const wchar_t* name) {
    const DosAnswer bound = Ask(RealSystemApi().QueryDosDeviceW, name);
    const DosAnswer system = Ask(::QueryDosDeviceW, name);
    EXPECT_EQ(bound.length, system.length);
    EXPECT_EQ(bound.text, system.text);
    EXPECT_EQ(bound.error, system.error);
}

// A drive's target, an unknown name's failure and the whole name list all come
// back exactly as kernel32 gives them.
TEST(RealSystemApi, QueryDosDeviceBoundAtRunTimeAnswersAsKernel32) {
    EXPECT_GT(Ask(RealSystemApi().QueryDosDeviceW, L"C:").length, 0u);
    ExpectSameAnswer(L"C:");
    ExpectSameAnswer(L"NOSUCHDOSNAME:");
    EXPECT_EQ(Ask(RealSystemApi().QueryDosDeviceW, L"NOSUCHDOSNAME:").length, 0u);
    ExpectSameAnswer(nullptr);
}

}  // namespace
