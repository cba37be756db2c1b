// A database signal from import to the module's calibration: imported into the user's
// library on disk, chosen for an output, a switch point typed in display units, the
// calibration saved and read back.

#include <gtest/gtest.h>

#include "base/scripted_prompt.h"
#include "calibration/outputs/output_settings.h"
#include "calibration/outputs/switching.h"
#include "can/dbc_import.h"
#include "can/hex_text.h"
#include "can/library_files.h"
#include "can/message_selection.h"
#include "dbc_frame.h"
#include "files/calibration_file.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

constexpr const char* kDatabase =
    "BO_ 2566843904 ET1: 8 Engine\n"  // extended 18FEEE00
    " SG_ EngineOilTemp : 16|16@1+ (0.03125,-273) [-273|1735] \"degC\" Dash\n"
    "BO_ 1056 coolant: 8 PCM\n"
    " SG_ CoolantTemperature : 15|12@0+ (0.1,-40) [-40|250] \"Cel\" Dash\n";

// The raw value the database's own scaling gives for a physical value.
double RawOf(const DbcSignal& s, double physical) {
    return (physical - s.offset) / s.factor;
}

using test::PackDbcSignal;

TEST(DbcRoundTrip, ImportedSignalKeepsItsMeaningThroughTheCalibrationFile) {
    test::TempDir dir;
    const std::string folder = dir.str() + "/";
    ScriptedPrompt prompt;

    // Import every signal into the user's library and save it as the message editor does.
    const DbcFile file = ReadDbc(kDatabase, "test.dbc");
    ASSERT_EQ(file.problemCount, 0u);
    DbcImportList list(file);
    list.CheckAll();
    ASSERT_EQ(list.CheckedCount(), 2);
    {
        LibrarySet set;
        SetupLibraries(set, LibraryFolders(folder), prompt);
        AddToUserLibrary(set, list.Chosen());
        ASSERT_TRUE(SaveUserDefinedLibrary(set, folder));
    }

    // Read back from disk and chosen on output 2: oil temperature primary, coolant secondary.
    LibrarySet set;
    SetupLibraries(set, LibraryFolders(folder), prompt);
    MessageLists lists(set);
    lists.Rebuild();
    CalImage image;
    bool changed = false;
    OfflineSink offline;
    EditTarget target{image, changed, offline};
    const int output = 1;
    const char* names[] = {"EngineOilTemp", "CoolantTemperature"};
    for (int ref = 0; ref < 2; ++ref) {
        ASSERT_TRUE(lists.ChooseLibrary(ref, kUserDefinedName));
        ASSERT_TRUE(lists.ChooseMessage(ref, names[ref]));
        StoreMessageSelection(target, set, output, ref, lists.SelectedLibrary(ref),
                              lists.SelectedMessage(ref));
    }
    const FormatContext ctx = lists.Format(UnitFlags::AllMetric());
    const OutputEdit edit{target, ctx, output};
    StoreShowFormatted(edit, true);
    // Switch points typed in °C.
    EXPECT_EQ(StoreSwitchPoint(edit, 0, SwitchPoint::OnA, "90"), "90.0");
    EXPECT_EQ(StoreSwitchPoint(edit, 1, SwitchPoint::OnA, "85"), "85.0");

    WriteCalibrationFile(dir.file("truck.DVF"), image);
    const CalImage back = ReadCalibrationFile(dir.file("truck.DVF")).image;
    const CalAddressMap& map = CalAddresses();
    const OutputScope scope{back, ctx, output};

    for (int ref = 0; ref < 2; ++ref) {
        SCOPED_TRACE(names[ref]);
        const DbcMessage& m = file.messages[static_cast<std::size_t>(ref)];
        const DbcSignal& s = m.signalList[0];
        const auto stored = MessageFromSlot(back, output, ref);
        ASSERT_TRUE(stored.has_value());
        const CanMessage& imported = *lists.SelectedMessage(ref);

        // Identifier register: the database's identifier, extended when it says so.
        const int slot = 2 * output + ref;
        std::uint32_t reg = 0;
        for (int i = 0; i < 4; ++i) reg = reg << 8 | back.Byte(map.MessageSlot[slot].CanId + i);
        EXPECT_EQ(reg, ParseHex32(CanIdToModule(CanIdHex(static_cast<std::int32_t>(m.id)))));
        EXPECT_EQ(CanIdFromModule(Hex32(reg)), CanIdHex(static_cast<std::int32_t>(m.id)));
        EXPECT_EQ(stored->CanId, imported.CanId);

        // Position, scaling and unit as imported.
        EXPECT_EQ(std::tuple(stored->DataLength, stored->StartByte, stored->StartBit,
                             stored->BitLength, stored->BigEndian, stored->EndianLength),
                  std::tuple(m.length, imported.StartByte, imported.StartBit, s.length, s.motorola,
                             imported.EndianLength));
        EXPECT_EQ(std::tuple(stored->Multiplier, stored->Offset, Trimmed(stored->Unit)),
                  std::tuple(s.factor, s.offset, "°C"));

        // The stored position reads the bits the database means.
        const auto raw = static_cast<std::uint32_t>(RawOf(s, 60));
        EXPECT_EQ(ExtractSignal(*stored, PackDbcSignal(s, raw)), raw);
    }

    // The switch points hold the raw values of the database's scaling.
    const DbcSignal& oil = file.messages[0].signalList[0];
    const DbcSignal& coolant = file.messages[1].signalList[0];
    EXPECT_EQ(back.Word(SwitchPointAddress(scope, 0, SwitchPoint::OnA)), RawOf(oil, 90));
    EXPECT_EQ(back.Word(SwitchPointAddress(scope, 1, SwitchPoint::OnA)), RawOf(coolant, 85));
}

}  // namespace
}  // namespace vx42
