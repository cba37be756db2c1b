#include "firmware/firmware_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/scripted_prompt.h"
#include "calibration/converters.h"
#include "support/files_bytes.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

namespace fs = std::filesystem;
using test::ByteList;
using test::Counting;
using test::FileBytes;
using test::WriteBytes;
using ::testing::AllOf;
using ::testing::HasSubstr;

void AppendLong(ByteList& out, std::int32_t value) {
    const auto b = LongToBytes(value);
    out.insert(out.end(), b.begin(), b.end());
}

// A firmware file's bytes: header, then each record as (type, length, address, data).
ByteList FirmwareBytes(std::uint8_t count, const std::vector<FirmwareRecord>& records) {
    ByteList out{count, 'V', 'X', '4', '2', '-', 'F', 'W', '1'};
    AppendLong(out, 0x8010);
    AppendLong(out, 0x8013);
    for (const auto& r : records) {
        out.push_back(r.type);
        AppendLong(out, r.length);
        AppendLong(out, r.address);
        out.insert(out.end(), r.data.begin(), r.data.end());
    }
    return out;
}

FirmwareRecord Record(std::uint8_t type, std::int32_t address, ByteList data) {
    return {type, static_cast<std::int32_t>(data.size()), address, std::move(data)};
}

// An S-record line with its count and checksum.
std::string SRecord(char type, std::uint32_t address, const ByteList& data) {
    const int addressBytes = type - '0' + 1;
    ByteList body{static_cast<std::uint8_t>(addressBytes + data.size() + 1)};
    for (int i = addressBytes - 1; i >= 0; --i)
        body.push_back(static_cast<std::uint8_t>(address >> (8 * i)));
    body.insert(body.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (auto b : body) sum += b;
    body.push_back(static_cast<std::uint8_t>(~sum));
    return std::string("S") + type + BytesToHex(body);
}

// ---- Firmware files ----

TEST(FirmwareFile, RecordsLoadInOrderWithTheirHeader) {
    test::TempDir dir;
    WriteBytes(dir.file("app.ROM"),
               FirmwareBytes(2, {Record(1, 0x8000, Counting(1, 20)), Record(7, 0x1F000, {0xAB})}));
    FirmwareFile fw;
    ScriptedPrompt prompt;
    ASSERT_TRUE(ReadFirmwareFile(dir.str() + "/", "app.ROM", fw, prompt));
    EXPECT_EQ(std::tuple(fw.recordCount, fw.identification[0], fw.identification[7],
                         fw.versionAddress, fw.infoAddress),
              std::tuple(2, 'V', '1', 0x8010, 0x8013));
    EXPECT_EQ(fw.records, (std::vector<FirmwareRecord>{Record(1, 0x8000, Counting(1, 20)),
                                                       Record(7, 0x1F000, {0xAB})}));

    // A file with no records loads none; the folder may come without its separator.
    WriteBytes(dir.file("empty.RM2"), FirmwareBytes(0, {}));
    ASSERT_TRUE(ReadFirmwareFile(dir.str(), "empty.RM2", fw, prompt));
    EXPECT_EQ(fw.recordCount, 0);
    EXPECT_TRUE(prompt.Calls().empty());

    // A missing file says so and keeps the image loaded before.
    ASSERT_TRUE(ReadFirmwareFile(dir.str(), "app.ROM", fw, prompt));
    prompt.ExpectMessage("File Not Found");
    EXPECT_FALSE(ReadFirmwareFile(dir.str(), "missing.ROM", fw, prompt));
    ASSERT_EQ(prompt.Calls().size(), 1u);
    EXPECT_EQ(std::pair(prompt.Calls()[0].text, prompt.Calls()[0].icon),
              std::pair(std::string("File Not Found"), Icon::None));
    EXPECT_EQ(fw.records.at(0).data, Counting(1, 20));
    EXPECT_TRUE(prompt.Unexpected().empty());
}

TEST(FirmwareFile, MalformedFilesAreReportedByNameAndLoadNothing) {
    const ByteList good =
        FirmwareBytes(2, {Record(1, 0x8000, Counting(1, 20)), Record(1, 0x9000, Counting(2, 8))});
    const auto one = [](FirmwareRecord r) { return FirmwareBytes(1, {std::move(r)}); };
    const struct {
        const char* what;
        ByteList bytes;
        const char* says;
    } cases[] = {
        {"truncated header", ByteList(good.begin(), good.begin() + 12), "the version address"},
        {"truncated data", ByteList(good.begin(), good.end() - 3), "the data of record 2 of 2"},
        {"fewer records than counted", FirmwareBytes(3, {Record(1, 0x8000, Counting(1, 20))}),
         "record 2 of 3"},
        {"length beyond the end", one({1, 0x7FFFFFF0, 0x8000, Counting(1, 16)}),
         "the data of record 1 of 1"},
        {"negative length", one({1, -5, 0x8000, {}}), "the length -5"},
        {"zero length", one({1, 0, 0x8000, {}}), "the length 0"},
        {"negative address", one(Record(1, -1, Counting(1, 4))), "outside the module's memory"},
        {"past 24 bits", one(Record(1, 0xFFFFFE, Counting(1, 4))), "outside the module's memory"},
        {"empty file", {}, "the record count"},
    };
    test::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(dir.file("bad.ROM"), c.bytes);
        FirmwareFile fw;
        fw.records.push_back(Record(3, 0x4000, {0x55}));  // the image loaded before
        ScriptedPrompt prompt;
        EXPECT_FALSE(ReadFirmwareFile(dir.str(), "bad.ROM", fw, prompt));
        ASSERT_EQ(prompt.Calls().size(), 1u);
        EXPECT_THAT(prompt.Calls()[0].text, AllOf(HasSubstr("bad.ROM"), HasSubstr(c.says)));
        EXPECT_EQ(fw.records, std::vector<FirmwareRecord>{Record(3, 0x4000, {0x55})});
    }
}

// ---- S-records ----

TEST(SRecords, DataRecordsFillTheImageFromTheFirstAddress) {
    // 0x0400-0x040F, then 0x0420-0x042F on the last line: 48 bytes, 16 to 31 zero.
    std::vector<std::string> lines{"S00F000068656C6C6F202020202000003C",
                                   SRecord('1', 0x0400, Counting(0x10, 16)),
                                   SRecord('1', 0x0420, Counting(0x80, 16))};
    EXPECT_EQ(SRecordImageLast(lines), 47);
    std::vector<std::uint8_t> image;
    std::int64_t highest = 0;
    int pumped = 0;
    ParseSRecords(lines, image, highest, [&pumped] { ++pumped; });
    ByteList expected = Counting(0x10, 16);
    expected.resize(32, 0x00);
    for (auto b : Counting(0x80, 16)) expected.push_back(b);
    EXPECT_EQ(image, expected);
    EXPECT_EQ(std::tuple(highest, pumped, lines.size()), std::tuple(47, 3, 0u));  // released
}

TEST(SRecords, AddressWidthsOfS2AndS3AndLowerCaseDigits) {
    std::vector<std::uint8_t> image;
    std::int64_t highest = 0;
    std::vector<std::string> s2{SRecord('2', 0x012340, {0xA1, 0xA2}), "s2 is not a record",
                                "S5030002FA", SRecord('2', 0x012344, {0xB1}), "S804012340B6"};
    ParseSRecords(s2, image, highest);
    EXPECT_EQ(image, (ByteList{0xA1, 0xA2, 0, 0, 0xB1}));

    std::vector<std::string> s3{"S30900fe0000deadbeefcc"};  // lower-case hexadecimal
    ParseSRecords(s3, image, highest);
    EXPECT_EQ(highest, 3);
    EXPECT_EQ(image, (ByteList{0xDE, 0xAD, 0xBE, 0xEF}));
}

TEST(SRecords, MalformedLinesAreNamedAndLeaveTheImage) {
    const std::string good = SRecord('1', 0x0400, Counting(1, 4));
    struct Case {
        std::vector<std::string> lines;
        const char* says;
    };
    const std::vector<Case> cases = {
        {{good, "S1070404G1020304EE"}, "line 2: bad hexadecimal digit in the data"},
        {{"S1070Z0001020304EE", good}, "line 1: bad hexadecimal digit in the address"},
        {{good, "S1X70404"}, "line 2: bad hexadecimal digit in the count"},
        {{good, "S1FF04040102"}, "line 2: the count 255 needs 514 characters"},
        {{good, "S1020404"}, "line 2: the count 2 is too small"},
        {{good, "S1"}, "line 2: the record has no count"},
        {{"S0030000FC", "S9030000FC"}, "no data records"},
        {{SRecord('1', 0x0500, {1}), good}, "ascending address order"},
        {{good, SRecord('1', 0x0300, {9}), SRecord('1', 0x0410, {2})},
         "line 2: its data at 0x0300"},
        {{good, SRecord('3', 0x7FFFFFFF, {1})}, "more than the module can address"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        auto lines = c.lines;
        std::vector<std::uint8_t> image{7, 7};
        std::int64_t highest = 1;
        try {
            ParseSRecords(lines, image, highest);
            ADD_FAILURE() << "accepted";
        } catch (const FirmwareFormatError& e) {
            EXPECT_THAT(e.what(), HasSubstr(c.says));
        }
        EXPECT_EQ(std::tuple(image, highest), std::tuple(ByteList{7, 7}, std::int64_t{1}));
    }
}

TEST(SRecords, TextLinesOfEveryLineEndAndAMissingFileCreatedEmpty) {
    test::TempDir dir;
    std::ofstream(dir.file("a.s19"), std::ios::binary) << "S0\r\nS1\nS9";
    std::vector<std::string> lines{"old"};
    ASSERT_TRUE(ReadTextLines(dir.file("a.s19"), lines));
    EXPECT_EQ(lines, (std::vector<std::string>{"S0", "S1", "S9"}));
    ASSERT_TRUE(ReadTextLines(dir.file("new.s19"), lines));
    EXPECT_TRUE(lines.empty() && fs::exists(dir.file("new.s19")));
    lines = {"kept"};
    EXPECT_FALSE(ReadTextLines(dir.file("no folder/x.s19"), lines));
    EXPECT_FALSE(ReadTextLines(dir.str(), lines));
    EXPECT_EQ(lines, std::vector<std::string>{"kept"});
}

// ---- Create BLU File ----

TEST(CreateBootImage, WritesExactlyTheImageWhichReadsBackWithItsExtraZero) {
    test::TempDir dir;
    const std::string source = dir.file("DataFlash.s19");
    const std::string target = dir.file("Upgrade.BLU");
    std::ofstream(source) << "S0030000FC\n"
                          << SRecord('2', 0x000400, Counting(0x40, 32)) << "\n"
                          << SRecord('2', 0x000430, Counting(0x60, 4)) << "\nS804000000FB\n";
    WriteBytes(target, ByteList(500, 0x11));  // a longer file from before is replaced whole
    ScriptedPrompt prompt;
    ASSERT_TRUE(CreateBootImageFile(source, target, prompt));
    EXPECT_TRUE(prompt.Calls().empty());
    ByteList expected = Counting(0x40, 32);
    expected.resize(48, 0x00);
    const ByteList tail = Counting(0x60, 4);
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(FileBytes(target), expected);

    BootImage image;
    ASSERT_TRUE(ReadBootImageFile(target, image, prompt));
    EXPECT_EQ(std::tuple(image.size(), image.back()), std::tuple(std::size_t{53}, std::uint8_t{0}));

    // A missing BLU file says so and the previous image stays.
    prompt.ExpectMessage("File Not Found");
    EXPECT_FALSE(ReadBootImageFile(dir.file("gone.BLU"), image, prompt));
    EXPECT_EQ(image.size(), 53u);
    EXPECT_TRUE(prompt.Unexpected().empty());
}

TEST(CreateBootImage, BadOrEmptySourceWritesNothing) {
    test::TempDir dir;
    const std::string target = dir.file("Upgrade.BLU");
    WriteBytes(target, ByteList{1, 2, 3});
    struct Case {
        std::string source;
        std::string says;
    };
    std::ofstream(dir.file("bad.s19")) << SRecord('1', 0x400, {1, 2}) << "\nS1050402ZZ0102\n";
    std::ofstream(dir.file("empty.s19")).flush();
    const std::vector<Case> cases = {
        {dir.file("bad.s19"), "line 2: bad hexadecimal digit"},
        {dir.file("empty.s19"), "is empty"},
        {dir.file("missing.s19"), "is empty"},  // created empty by the read
        {dir.file("no folder/x.s19"), "Could not open"},
        {dir.file("big.s19"), "is too large (50,331,649 bytes; at most 50,331,648 bytes)"},
    };
    std::ofstream(dir.file("big.s19"), std::ios::binary) << std::string((48 << 20) + 1, 'S');
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        ScriptedPrompt prompt;
        EXPECT_FALSE(CreateBootImageFile(c.source, target, prompt));
        ASSERT_EQ(prompt.Calls().size(), 1u);
        EXPECT_THAT(prompt.Calls()[0].text, AllOf(HasSubstr(c.source), HasSubstr(c.says)));
        EXPECT_EQ(FileBytes(target), (ByteList{1, 2, 3}));
    }
}

TEST(CreateBootImage, TheLineCapIsExact) {
    test::TempDir dir;
    const std::string source = dir.file("DataFlash.s19"), target = dir.file("Upgrade.BLU");
    const std::string record = SRecord('1', 0x0400, {1, 2}) + "\n";
    for (const std::size_t lines : {std::size_t{2 << 20}, std::size_t{(2 << 20) + 1}}) {
        std::ofstream(source, std::ios::binary) << record << std::string(lines - 1, '\n');
        ScriptedPrompt prompt;
        const bool made = CreateBootImageFile(source, target, prompt);
        EXPECT_EQ(made, lines <= (2 << 20)) << lines;
        ASSERT_EQ(prompt.Calls().size(), made ? 0u : 1u);
        if (!made) {
            EXPECT_THAT(prompt.Calls()[0].text,
                        HasSubstr("has more than 2,097,152 lines; no BLU file was made."));
        }
    }
    EXPECT_EQ(FileBytes(target), (ByteList{1, 2}));
}

}  // namespace
}  // namespace vx42
