#include "can/message_selection.h"

#include <gtest/gtest.h>

#include "base/scripted_prompt.h"
#include "calibration/outputs/outputs_fixture.h"  // the recording module
#include "can/hex_text.h"
#include "support/can_messages.h"

namespace vx42 {
namespace {

TEST(CanIdentifiers, ToAndFromTheModuleRegister) {
    EXPECT_EQ(CanIdToModule("7FF"), "FFE00000");
    EXPECT_EQ(CanIdToModule("123"), "24600000");
    EXPECT_EQ(CanIdToModule("7"), "00E00000");
    EXPECT_EQ(CanIdToModule("0"), "00000000");
    EXPECT_EQ(CanIdToModule("800"), "10000000");  // too wide for 11 bits, still 8 digits
    EXPECT_EQ(CanIdToModule("18FEF100"), "C7FDE200");
    EXPECT_EQ(CanIdToModule("18fef100"), "C7FDE200");
    EXPECT_EQ(CanIdToModule("1FFFF"), "001BFFFE") << "5 digits: extended";
    EXPECT_EQ(CanIdToModule("118FEF100"), "");
    EXPECT_EQ(CanIdToModule("12G"), "");

    EXPECT_EQ(CanIdFromModule("xyz"), "");
    EXPECT_EQ(ClearRtrBits(0xC7FDE200u), 0x47EDE200u);

    // Every standard identifier and a spread of extended ones survive the round trip.
    for (std::uint32_t id = 0; id <= 0x7FF; ++id)
        ASSERT_EQ(CanIdFromModule(CanIdToModule(Hex32(id))), Hex32(id)) << id;
    for (std::uint32_t id = 0x10000; id <= 0x1FFFFFFF; id += 0x7A3B1)
        ASSERT_EQ(CanIdFromModule(CanIdToModule(Hex32(id))), Hex32(id)) << id;
    EXPECT_EQ(CanIdHex(-1), "FFFFFFFF");
}

CanMessage Message(std::string name, std::int32_t id, double multiplier, std::string unit) {
    return test::LibraryMessage({.CanId = id,
                                 .Name = FixedText(name, 24),
                                 .Description = "About " + name,
                                 .StartByte = 3,
                                 .StartBit = 2,
                                 .BitLength = 12,
                                 .BigEndian = true,
                                 .Offset = -40,
                                 .Multiplier = multiplier,
                                 .Unit = std::move(unit)});
}

LibrarySet Libraries() {
    LibrarySet set;
    set.MessageLibraries = {
        test::LibraryOf("Engine Data",
                        {Message("Speed", 0x18FEF100, 0.125, "RPM"),
                         Message("None", 0x100, 1, "None"), Message("Coolant", 0x123, 1, "°C")}),
        test::LibraryOf("ABS", {Message("Wheel", 0x7FF, 0.5, "KPH")}), NewLibrary("User Defined")};
    return set;
}

TEST(MessageLists, ListsSortedNamesAndMapPositionsToTheirMessages) {
    const LibrarySet set = Libraries();
    MessageLists lists(set);
    EXPECT_EQ(lists.LibraryItems(),
              (std::vector<std::string>{"None", "ABS", "Engine Data", "User Defined"}));
    EXPECT_EQ(lists.MessageItems(0), (std::vector<std::string>{"None"}));

    lists.ChooseLibrary(0, 2);
    // A message named "None" is not listed, and the positions after it still match.
    EXPECT_EQ(lists.MessageItems(0), (std::vector<std::string>{"None", "Coolant", "Speed"}));
    EXPECT_EQ(lists.MessageOrder(0), (std::vector<int>{2, 0}));
    EXPECT_EQ(lists.SelectedMessage(0), nullptr);
    lists.ChooseMessage(0, 2);
    ASSERT_NE(lists.SelectedMessage(0), nullptr);
    EXPECT_EQ(Trimmed(lists.SelectedMessage(0)->Name), "Speed");
    EXPECT_EQ(Trimmed(lists.SelectedLibrary(0)->Name), "Engine Data");

    EXPECT_TRUE(lists.ChooseLibrary(1, "ABS"));
    EXPECT_TRUE(lists.ChooseMessage(1, "Wheel"));
    EXPECT_FALSE(lists.ChooseMessage(1, "Speed"));
    EXPECT_EQ(Trimmed(lists.SelectedMessage(1)->Name), "Wheel");

    const FormatContext ctx = lists.Format(UnitFlags::AllMetric());
    EXPECT_EQ(std::tuple(ctx.data[0].selected, ctx.data[0].Multiplier, ctx.data[0].Offset,
                         ctx.data[1].Unit),
              std::tuple(true, 0.125, -40, "KPH"));

    // Back to "None": the message list empties and nothing is selected.
    lists.ChooseLibrary(0, 0);
    EXPECT_EQ(lists.MessageItems(0), (std::vector<std::string>{"None"}));
    EXPECT_FALSE(lists.Format({}).data[0].selected);
}

class Selection : public ::testing::Test {
  protected:
    LibrarySet set = Libraries();
    CalImage image;
    bool changed = false;
    RecordingSink module;
    EditTarget target{image, changed, module};
    const CalAddressMap& map = CalAddresses();
};

TEST_F(Selection, StoresEveryPieceInOrderAndWritesIt) {
    const CanLibrary& library = set.MessageLibraries[0];
    CanMessage message = library.Messages[0];
    message.ClearRtr = true;
    StoreMessageSelection(target, set, 1, 1, &library, &message);  // slot 3

    const auto& def = map.MessageDefSlot[3];
    const auto& source = map.OutputCal[1].DataSource[1];
    std::vector<int> addresses;
    std::vector<std::size_t> sizes;
    for (const auto& [address, bytes] : module.writes) {
        addresses.push_back(address);
        sizes.push_back(bytes.size());
        // What is written is what the image holds.
        EXPECT_EQ(bytes,
                  image.CopyFromImage(ImageIndex(address), static_cast<int>(bytes.size()) - 1))
            << address;
    }
    // The texts in the edit target's pieces of sixteen, then the numbers.
    ASSERT_EQ(addresses.size(), 20u);
    EXPECT_EQ(std::vector(addresses.begin(), addresses.begin() + 9),
              std::vector<int>({def.LibraryName, def.LibraryName + 16, def.MessageName,
                                def.MessageName + 16, def.Description, def.Description + 16,
                                def.Description + 32, def.Description + 48, def.Description + 64}));
    EXPECT_EQ(
        std::vector(addresses.begin() + 9, addresses.end()),
        std::vector<int>({def.ByteOrder, def.Unit, def.Multiplier, def.Offset, map.EndianLength[3],
                          source.MessageSlot, source.ByteIndex, source.StartBit, source.BitLength,
                          map.MessageSlot[3].CanId, map.MessageSlot[3].DataLength}));
    EXPECT_EQ(sizes, std::vector<std::size_t>(
                         {16, 8, 16, 8, 16, 16, 16, 16, 16, 1, 10, 8, 4, 1, 1, 1, 1, 1, 4, 1}));
    EXPECT_TRUE(changed);
    EXPECT_EQ(std::tuple(image.Text(def.LibraryName, 24), image.Text(def.Description, 80)),
              std::tuple("Engine Data", "About Speed"));
    EXPECT_EQ(
        std::tuple(image.Byte(source.MessageSlot), image.Byte(source.BitLength),
                   image.Byte(def.ByteOrder), image.Double(def.Multiplier), image.Long(def.Offset)),
        std::tuple(4, 12, 0xFF, 0.125, -40));
    // C7FDE200 with the remote-request bits cleared.
    EXPECT_EQ(module.writes[18].second, (std::vector<std::uint8_t>{0x47, 0xED, 0xE2, 0x00}));

    // The definition comes back from the slot (the cleared bits are not undone).
    const auto rebuilt = MessageFromSlot(image, 1, 1);
    ASSERT_TRUE(rebuilt.has_value());
    CanMessage expectedBack = message;
    expectedBack.CanId = 0x08FEF100;
    expectedBack.ClearRtr = false;
    expectedBack.Name = "Speed";
    EXPECT_EQ(*rebuilt, expectedBack);
}

TEST_F(Selection, NoneStoresNamesAndAZeroIdentifier) {
    image.StoreText(map.MessageDefSlot[0].Description, 80, "old text");
    StoreMessageSelection(target, set, 0, 0, nullptr, nullptr);
    const auto& def = map.MessageDefSlot[0];
    EXPECT_EQ(std::tuple(image.Text(def.LibraryName, 24), image.Text(def.MessageName, 24),
                         image.Text(def.Description, 80)),
              std::tuple("None", "None", ""));
    EXPECT_EQ(std::tuple(image.Long(map.MessageSlot[0].CanId),
                         image.Byte(map.OutputCal[0].DataSource[0].MessageSlot)),
              std::tuple(0, 1));
    // The remaining fields come from the first message of the first library.
    EXPECT_EQ(std::tuple(image.Double(def.Multiplier), image.Text(def.Unit, 10)),
              std::tuple(0.125, "RPM"));

    // A later display shows "None" in both lists.
    MessageLists lists(set);
    lists.ChooseLibrary(0, "ABS");
    lists.ShowMessageSelection(image, 0, 0);
    EXPECT_EQ(std::tuple(lists.LibraryPosition(0), lists.MessagePosition(0)), std::tuple(0, 0));

    // With no message loaded at all, those fields keep what they held.
    LibrarySet empty;
    image.StoreDouble(map.MessageDefSlot[2].Multiplier, 7.5);
    module.writes.clear();
    StoreMessageSelection(target, empty, 1, 0, nullptr, nullptr);
    EXPECT_EQ(image.Double(map.MessageDefSlot[2].Multiplier), 7.5);
    EXPECT_EQ(module.writes.size(), 9u + 1 + 1);  // texts, slot number, identifier
}

TEST_F(Selection, ShowsAStoredChoiceAndIgnoresUnknownNames) {
    StoreMessageSelection(target, set, 2, 1, &set.MessageLibraries[1],
                          &set.MessageLibraries[1].Messages[0]);
    MessageLists lists(set);
    lists.ShowMessageSelection(image, 2, 1);
    EXPECT_EQ(lists.LibraryItems()[static_cast<std::size_t>(lists.LibraryPosition(1))], "ABS");
    EXPECT_EQ(Trimmed(lists.SelectedMessage(1)->Name), "Wheel");

    image.StoreText(map.MessageDefSlot[5].LibraryName, 24, "Gone");
    image.StoreText(map.MessageDefSlot[5].MessageName, 24, "Vanished");
    lists.ShowMessageSelection(image, 2, 1);
    EXPECT_EQ(Trimmed(lists.SelectedMessage(1)->Name), "Wheel") << "lists unchanged";

    image.SetByte(map.OutputCal[2].DataSource[1].MessageSlot, 9);
    EXPECT_FALSE(MessageFromSlot(image, 2, 1).has_value());
}

TEST_F(Selection, UndefinedMessagesAreCollectedWithOneWarning) {
    // Output 0: primary a known message, secondary unknown; output 1: primary unknown (two
    // data sources naming the same slot add it once), secondary "None"; output 3: slot 0.
    StoreMessageSelection(target, set, 0, 0, &set.MessageLibraries[1],
                          &set.MessageLibraries[1].Messages[0]);
    StoreMessageSelection(target, set, 0, 1, &set.MessageLibraries[0],
                          &set.MessageLibraries[0].Messages[0]);
    image.StoreText(map.MessageDefSlot[1].MessageName, 24, "Turbo Speed");
    StoreMessageSelection(target, set, 1, 0, &set.MessageLibraries[0],
                          &set.MessageLibraries[0].Messages[2]);
    image.StoreText(map.MessageDefSlot[2].MessageName, 24, "Oil Level");
    image.SetByte(map.OutputCal[2].DataSource[0].MessageSlot, 3);
    StoreMessageSelection(target, set, 1, 1, nullptr, nullptr);

    ScriptedPrompt prompt;
    prompt.ExpectMessage("One or more variables are not defined in your current libraries.");
    EXPECT_TRUE(CheckUndefinedMessages(set, image, prompt));
    EXPECT_TRUE(prompt.ScriptDone() && prompt.Unexpected().empty());
    EXPECT_EQ(prompt.Calls().at(0).icon, Icon::Exclamation);
    EXPECT_TRUE(set.LibrariesChanged);
    ASSERT_EQ(set.UndefinedIndex, 3);
    const auto& undefined = set.MessageLibraries[3];
    EXPECT_EQ(Trimmed(undefined.Name), "Undefined Index");
    ASSERT_EQ(undefined.MessageCount(), 2);
    EXPECT_EQ(std::tuple(undefined.Messages[0].Name, undefined.Messages[0].CanId,
                         undefined.Messages[1].Name, undefined.Messages[1].CanId),
              std::tuple("Turbo Speed", 0x18FEF100, "Oil Level", 0x123));

    // A second check finds them all defined now (a library defines "None" as well).
    set.LibrariesChanged = false;
    EXPECT_FALSE(CheckUndefinedMessages(set, image, prompt));
    EXPECT_FALSE(set.LibrariesChanged);
    // An undefined "None" marks the libraries changed but never warns nor adds a message.
    set.MessageLibraries[0].Messages.erase(set.MessageLibraries[0].Messages.begin() + 1);
    EXPECT_FALSE(CheckUndefinedMessages(set, image, prompt));
    EXPECT_TRUE(set.LibrariesChanged);
    EXPECT_EQ(std::tuple(set.MessageLibraries[3].MessageCount(), prompt.Calls().size()),
              std::tuple(2, 1u));
}

}  // namespace
}  // namespace vx42
