// A USB disk's parent device ID as the NT path tests it: two identifier bytes each for
// an entry's VID and PID, then the narrow ID, upper-cased in its 255-byte buffer. The
// VID and PID texts stay within their limits and are the parts of the ID they name; the
// tests are substring tests of "%X" texts; the usual form always parses; the records
// of a match are well formed.
#include <cstring>
#include <vector>

#include "device_id_input.h"
#include "result_table.h"
#include "usb_device_id.h"

namespace {

constexpr std::size_t kNarrowIdLength = 254;
constexpr std::size_t kMaxVidText = 9;
constexpr std::size_t kMaxPidDigits = 7;

void RequireParts(const char* id, const UsbIdTexts& texts) {
    Require(std::strstr(id, "USB") != nullptr, "an ID without USB is skipped");
    const char* vid = std::strstr(id, "VID");
    Require(vid != nullptr && texts.vid.size() <= kMaxVidText, "the VID text fits its buffer");
    Require(texts.vid.compare(0, std::string::npos, vid, texts.vid.size()) == 0 && vid[texts.vid.size()] == '&' &&
                texts.vid.find('&') == std::string::npos,
            "the VID text runs from the first VID to the next ampersand");
    const char* underscore = std::strchr(vid + texts.vid.size() + 1, '_');
    const std::string digits = texts.pid.substr(std::min<std::size_t>(2, texts.pid.size()));
    Require(texts.pid.compare(0, 2, "0x") == 0 && digits.size() <= kMaxPidDigits, "the PID text fits its buffer");
    Require(underscore != nullptr && digits.compare(0, std::string::npos, underscore + 1, digits.size()) == 0 &&
                digits.find_first_of("&\\") == std::string::npos,
            "the PID digits follow the underscore after the ampersand");
    const char end = underscore[1 + digits.size()];
    Require(end == '&' || end == '\\', "the PID digits end at the next ampersand or backslash");
}

void RequireRecords(std::int16_t driveIndex, std::uint16_t vid, std::uint16_t pid) {
    DeviceEntry entry{};
    entry.VID = vid;
    entry.PID = pid;
    const std::vector<FoundDevice> records(1 + vid % 3u, MakeFoundDevice(driveIndex, entry));
    const FoundDevice* table = InstallCurrentTable(records);
    Require(table != nullptr && table == currentTable, "the table is installed");
    for (std::size_t i = 0; i < records.size(); ++i) {
        FoundDevice expected{};
        expected.DriveIndex = driveIndex;
        expected.VID = vid;
        expected.PID = pid;
        expected.RecordLength = FOUND_DEVICE_RECORD_LENGTH;
        Require(std::memcmp(&table[i], &expected, sizeof expected) == 0, "a record is its fields and zeros");
    }
    ReleaseCurrentTable();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const DeviceIdInput input = ReadDeviceIdInput(data, size, kNarrowIdLength);
    const std::uint16_t vid = input.vid;
    const std::uint16_t pid = input.pid;
    const char* id = input.id.data();

    UsbIdTexts texts;
    if (ParseUsbIdTexts(id, texts)) {
        RequireParts(id, texts);
        const bool matches = texts.vid.find(HexText(vid)) != std::string::npos &&
                             texts.pid.find(HexText(pid)) != std::string::npos;
        Require(UsbIdTextsMatch(texts, vid, pid) == matches, "both identifiers occur in their texts");
        if (matches) RequireRecords(static_cast<std::int16_t>(vid ^ pid), vid, pid);
    }

    const std::string usual = UsbDeviceId(vid, pid) + "\\" + std::string(id);
    UsbIdTexts own;
    Require(ParseUsbIdTexts(usual.c_str(), own) && UsbIdTextsMatch(own, vid, pid), "USB\\VID_vvvv&PID_pppp\\serial is found");
    return 0;
}
