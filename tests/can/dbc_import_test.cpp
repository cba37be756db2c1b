#include "can/dbc_import.h"

#include <gtest/gtest.h>

#include <array>

#include "can/library_json.h"
#include "dbc_frame.h"

namespace vx42 {
namespace {

DbcMessage Message(int length = 8, std::uint32_t id = 0x18FEEE00, bool extended = true) {
    DbcMessage m;
    m.id = id;
    m.extended = extended;
    m.name = "MSG";
    m.length = length;
    return m;
}

DbcSignal Signal(int start, int length, bool motorola) {
    DbcSignal s;
    s.name = "Sig";
    s.startBit = start;
    s.length = length;
    s.motorola = motorola;
    return s;
}

using test::PackDbcSignal;

TEST(DbcPosition, EverySignalThatFitsReadsBackTheBitsTheDatabaseMeans) {
    int checked = 0;
    for (bool motorola : {false, true})
        for (int length = 1; length <= 16; ++length)
            for (int start = 0; start < 64; ++start) {
                const DbcSignal s = Signal(start, length, motorola);
                const SignalImport r = ConvertSignal(Message(), s);
                if (!r.importable) continue;  // beyond the frame
                ++checked;
                const std::uint32_t mask = (1u << length) - 1;
                for (std::uint32_t raw : {0xA5C3u & mask, 0x5A3Cu & mask, mask, 1u}) {
                    const auto frame = PackDbcSignal(s, raw);
                    ASSERT_EQ(ExtractSignal(r.definition, frame), raw)
                        << (motorola ? "Motorola " : "Intel ") << start << "|" << length;
                }
                // Neighbouring bits set do not leak into the value.
                auto frame = PackDbcSignal(s, 0x2u & mask);
                for (std::size_t i = 0; i < frame.size(); ++i)
                    frame[i] = static_cast<std::uint8_t>(frame[i] | ~PackDbcSignal(s, mask)[i]);
                ASSERT_EQ(ExtractSignal(r.definition, frame), 0x2u & mask);
            }
    // A signal of length n fits at 65 - n start bits, in either byte order.
    EXPECT_EQ(checked, 2 * 904);
}

TEST(DbcPosition, FieldsOfTheWorkedExamples) {
    // Start bit, length, Motorola; start byte, start bit and endian length of the definition.
    const std::tuple<int, int, bool, int, int, int> cases[] = {
        {24, 16, false, 3, 0, 2},  // Intel, byte-aligned (J1939 engine speed)
        {12, 4, false, 1, 4, 1},   // Intel within one byte
        {4, 12, false, 0, 4, 2},   // Intel crossing into the next byte
        {7, 16, true, 0, 0, 2},    // Motorola, byte-aligned
        {7, 12, true, 0, 4, 2},    // Motorola crossing bytes, ends mid-byte
        {20, 12, true, 2, 1, 2},   // Motorola from the middle of byte 2 into byte 3
        {38, 1, true, 4, 6, 1},    // one bit
        {3, 12, true, 0, 0, 2},    // Motorola over three nibbles
    };
    for (const auto& [start, length, motorola, startByte, startBit, endianLength] : cases) {
        const CanMessage d = ConvertSignal(Message(), Signal(start, length, motorola)).definition;
        EXPECT_EQ(std::tuple(d.StartByte, d.StartBit, d.EndianLength, d.BitLength, d.BigEndian),
                  std::tuple(startByte, startBit, endianLength, length, motorola))
            << start << "|" << length;
    }
}

TEST(DbcImport, DefinitionMatchesTheShippedLibrarysOwn) {
    const CanLibrary shipped =
        ReadLibraryJsonFile(std::string(VX42_SOURCE_DIR) + "/data/libraries/SAE_J1939.json");
    const CanMessage& speed = shipped.Messages.at(0);
    ASSERT_EQ(Trimmed(speed.Name), "Engine Speed");
    DbcSignal s = Signal(24, 16, false);
    s.name = "Engine Speed";
    s.factor = 0.125;
    s.unit = "rpm";
    DbcMessage eec1 = Message(8, 0x0CF00400);
    const SignalImport r = ConvertSignal(eec1, s);
    ASSERT_TRUE(r.importable);
    CanMessage d = r.definition;
    EXPECT_EQ(Trimmed(d.Unit), Trimmed(speed.Unit));
    d.Name = speed.Name;
    d.Description = speed.Description;
    d.Unit = speed.Unit;
    EXPECT_EQ(d, speed);
    EXPECT_TRUE(r.notes.empty());
}

TEST(DbcImport, SignalsThatCannotBeStatedExactlyAreRefusedWithTheReason) {
    DbcSignal plain = Signal(0, 8, false);
    DbcSignal signedOne = plain, muxed = plain, wide = Signal(0, 17, false),
              beyond = Signal(60, 8, false), flat = plain;
    signedOne.isSigned = true;
    muxed.multiplexValue = 2;
    flat.factor = 0;
    const std::tuple<const char*, DbcMessage, DbcSignal> cases[] = {
        {"signed", Message(), signedOne},
        {"multiplexed", Message(), muxed},
        {"17 bits", Message(), wide},
        {"beyond the frame", Message(), beyond},
        {"beyond its data length", Message(2), Signal(16, 4, false)},
        {"Motorola beyond its data length", Message(2), Signal(15, 12, true)},
        {"a CAN FD frame", Message(12), plain},
        {"standard beyond 11 bits", Message(8, 0x800, false), plain},
        {"extended that reads as standard", Message(8, 0x1234, true), plain},
        {"factor 0", Message(), flat},
    };
    for (const auto& [what, message, signal] : cases) {
        const SignalImport r = ConvertSignal(message, signal);
        EXPECT_TRUE(!r.importable && !r.reason.empty()) << what;
    }
    // The multiplexor itself is a plain value; a short standard identifier is standard.
    DbcSignal selector = plain;
    selector.multiplexor = true;
    const SignalImport r = ConvertSignal(Message(8, 0x7FF, false), selector);
    ASSERT_TRUE(r.importable) << r.reason;
    EXPECT_EQ(CanIdHex(r.definition.CanId), "7FF");
    EXPECT_EQ(CanIdHex(ConvertSignal(Message(8, 0x12345, true), plain).definition.CanId), "12345");
}

TEST(DbcImport, AnOffsetIsRoundedWithinHalfARawStepAndReportedAndTheCommentDescribes) {
    DbcSignal s = Signal(0, 8, false);
    s.offset = -40.5;
    s.factor = 1;  // half a raw step: the most that rounding may move a value
    s.comment = "Inlet air\r\n  temperature";
    s.unit = "V";
    const SignalImport r = ConvertSignal(Message(), s);
    ASSERT_TRUE(r.importable);
    EXPECT_EQ(std::tuple(r.definition.Offset, r.definition.Multiplier, r.definition.Description,
                         r.definition.Unit),
              std::tuple(-41, 1.0, "Inlet air temperature", "None"));
    ASSERT_EQ(r.notes.size(), 2u);
    EXPECT_NE(r.notes[0].find("-40.5"), std::string::npos);
    EXPECT_NE(r.notes[1].find("\"V\""), std::string::npos);

    // Only within half a raw step.
    DbcSignal yaw = Signal(23, 16, true);  // a published yaw rate: (0.0002,-6.5)
    yaw.factor = 0.0002;
    yaw.offset = -6.5;
    const SignalImport refused = ConvertSignal(Message(), yaw);
    EXPECT_FALSE(refused.importable);
    EXPECT_NE(refused.reason.find("offset -6.5 is not a whole number"), std::string::npos)
        << refused.reason;
    DbcSignal small = Signal(0, 8, false);
    small.factor = -1;  // the step's size counts, whatever its sign
    small.offset = -0.4;
    const SignalImport rounded = ConvertSignal(Message(), small);
    ASSERT_TRUE(rounded.importable) << rounded.reason;
    EXPECT_EQ(rounded.definition.Offset, 0);
    ASSERT_FALSE(rounded.notes.empty());
    EXPECT_EQ(rounded.notes[0], "offset -0.4 rounded to 0");
    small.factor = 0.5;
    small.offset = 0.3;  // rounding to 0 would move every value by more than 0.25
    EXPECT_FALSE(ConvertSignal(Message(), small).importable);
}

TEST(DbcImport, UnitsMapOntoTheToolsList) {
    const std::pair<const char*, const char*> cases[] = {
        {"degC", "°C"},    {"°C", "°C"},       {"C", "°C"},        {"Cel", "°C"},
        {"degF", "°F"},    {"km/h", "KPH"},    {"kph", "KPH"},     {"mph", "MPH"},
        {"rpm", "RPM"},    {"kPa", "kPa"},     {"psi", "PSI"},     {"%", "%"},
        {"g/s", "g/sec"},  {"Nm", "N·m"},      {"ft-lb", "ft·lb"}, {"L", "l"},
        {"gal", "gal"},    {"lb/h", "lbs/hr"}, {"V", "None"},      {"", "None"},
        {" rpm ", "RPM"},  {"r/min", "RPM"},   {"R/min", "RPM"},   {"kilopascal", "kPa"},
        {"degreesC", "°C"}};
    for (const auto& [dbc, tool] : cases) {
        EXPECT_EQ(MapUnit(dbc), tool) << dbc;
        EXPECT_NE(std::find(kCanUnits.begin(), kCanUnits.end(), tool), kCanUnits.end());
    }
}

TEST(DbcImport, NamesAreCutAndMadeUniqueInTheUserLibrary) {
    LibrarySet set;
    set.MessageLibraries.push_back(NewLibrary("SAE J1939"));
    CanMessage existing;
    existing.Name = FixedText("COUNTER", canwidth::Name);
    set.MessageLibraries[0].Messages.push_back(existing);  // another library's name is free
    CanMessage counter, longName;
    counter.Name = "COUNTER";
    longName.Name = "AVeryLongSignalNameOfThirtyChars";
    longName.Description = std::string(100, 'd');
    const auto names = AddToUserLibrary(set, {counter, counter, longName, longName});
    EXPECT_EQ(names, (std::vector<std::string>{"COUNTER", "COUNTER 2", "AVeryLongSignalNameOfThi",
                                               "AVeryLongSignalNameOfT 2"}));
    ASSERT_GE(set.UserDefinedIndex, 0);
    const CanLibrary& user = set.MessageLibraries[static_cast<std::size_t>(set.UserDefinedIndex)];
    EXPECT_EQ(std::tuple(user.Messages.size(), user.Messages[3].Description.size()),
              std::tuple(4u, std::size_t{canwidth::Description}));
    EXPECT_TRUE(set.LibrariesChanged);
    // A second import continues the numbering.
    EXPECT_EQ(AddToUserLibrary(set, {counter}), (std::vector<std::string>{"COUNTER 3"}));
    // A library file holds at most 65,535 messages.
    EXPECT_TRUE(UserLibraryHasRoom(set, limits::kLibraryMessages - 5));
    EXPECT_FALSE(UserLibraryHasRoom(set, limits::kLibraryMessages - 4));
    EXPECT_FALSE(UserLibraryHasRoom(LibrarySet{}, limits::kLibraryMessages + 1));
}

TEST(DbcImportList, FilterNarrowsAndOnlyImportableShownSignalsAreChecked) {
    DbcFile file;
    file.messages = {Message(8, 0x123, false), Message(8, 0x18FEF100, true)};
    file.messages[0].name = "Engine";
    file.messages[1].name = "Body";
    DbcSignal speed = Signal(0, 16, false), torque = Signal(16, 8, false),
              door = Signal(0, 1, false), angle = Signal(8, 16, false);
    speed.name = "Speed";
    torque.name = "Torque";
    torque.isSigned = true;
    door.name = "DoorOpen";
    door.comment = "driver side";
    angle.name = "SteerAngle";
    file.messages[0].signalList = {speed, torque};
    file.messages[1].signalList = {door, angle};
    DbcImportList list(file);
    ASSERT_EQ(list.rows().size(), 4u);

    list.SetFilter(" DRIVER ");  // a comment
    EXPECT_FALSE(list.MessageShown(0));
    EXPECT_TRUE(list.MessageShown(1) && list.RowShown(2) && !list.RowShown(3));
    list.SetMessageChecked(1, true);  // only the shown signal
    EXPECT_EQ(list.CheckedCount(), 1);

    // Identifiers are shown in both bases, and found by either.
    EXPECT_EQ(IdentifierText(file.messages[0]), "0x123 (291)");
    EXPECT_EQ(IdentifierText(file.messages[1]), "0x18FEF100 (419361024), extended");
    list.SetFilter("291");
    EXPECT_TRUE(list.MessageShown(0) && !list.MessageShown(1));
    list.SetFilter("0x123");  // an identifier: the whole message
    EXPECT_TRUE(list.RowShown(0) && list.RowShown(1));
    list.SetMessageChecked(0, true);  // the signed torque stays unchecked
    EXPECT_EQ(list.CheckedCount(), 2);
    list.SetChecked(1, true);
    EXPECT_EQ(list.CheckedCount(), 2);

    const auto chosen = list.Chosen();
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(std::tuple(chosen[0].Name, chosen[1].Name, chosen[1].Description),
              std::tuple("Speed", "DoorOpen", "driver side"));

    list.SetFilter("");
    list.CheckAll();
    EXPECT_EQ(list.CheckedCount(), 3);
}

}  // namespace
}  // namespace vx42
