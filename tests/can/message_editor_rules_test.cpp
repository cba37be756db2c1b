// The message editor's field rules and its editing of the "User Defined" library.

#include <gtest/gtest.h>

#include "can/message_editor.h"
#include "support/can_messages.h"

using namespace vx42;

namespace {

CanMessage Named(const std::string& name, int id = 0x100) {
    return test::LibraryMessage({.CanId = id,
                                 .Name = FixedText(name, canwidth::Name),
                                 .Description = FixedText("about " + name, canwidth::Description),
                                 .Multiplier = 0.25,
                                 .Unit = FixedText("RPM", canwidth::Unit)});
}

LibrarySet UserSet(std::vector<CanMessage> messages, std::string version = "C002") {
    LibrarySet set;
    CanLibrary user = test::LibraryOf(kUserDefinedName, std::move(messages));
    user.Version = std::move(version);
    set.MessageLibraries = {NewLibrary("Engine"), user};
    return set;
}

}  // namespace

// While typing, a ranged field out of its range is coloured; leaving it clamps the text
// (" 1 2" read as 12, ".6" as 0.6); fields without a range are left as they are.
TEST(MessageEditorFields, TypingColoursAndLeavingClampsRangedFieldsOnly) {
    const std::tuple<int, const char*, bool> typed[] = {
        {kFieldDataLength, "9", false},   {kFieldDataLength, "", true},
        {kFieldBitLength, "0", false},    {kFieldBitLength, "16", true},
        {kFieldStartBit, "-1", false},    {kFieldEndianLength, "0", false},
        {kFieldEndianLength, "9", false}, {kFieldMultiplier, "1e300", true},
        {kFieldName, "anything", true},
    };
    for (const auto& [field, text, inRange] : typed)
        EXPECT_EQ(FieldInRange(field, text), inRange) << field << " " << text;
    const std::tuple<int, const char*, const char*> left[] = {
        {kFieldDataLength, "9", "8"},         {kFieldBitLength, "0", "1"},
        {kFieldStartByte, " 1 2", "7"},       {kFieldStartBit, ".6", "1"},
        {kFieldStartBit, ",4", "0"},          {kFieldDataLength, "x", "0"},
        {kFieldEndianLength, "300", "8"},     {kFieldEndianLength, "", "1"},
        {kFieldMultiplier, " 2.5 ", " 2.5 "},
    };
    for (const auto& [field, text, clamped] : left)
        EXPECT_EQ(ClampFieldText(field, text), clamped) << field << " " << text;
}

TEST(MessageEditorFields, CanIdRoundTripsAndBadTextIsRefused) {
    CanMessage m;
    EXPECT_EQ(StoreField(m, kFieldCanId, "18FEF100"), StoreResult::Changed);
    EXPECT_EQ(std::tuple(m.CanId, MessageFieldTexts(m)[kFieldCanId]),
              std::tuple(0x18FEF100, "18FEF100"));
    EXPECT_EQ(StoreField(m, kFieldCanId, "18fef100"), StoreResult::Unchanged);
    // The top bit set keeps its 32-bit pattern.
    EXPECT_EQ(StoreField(m, kFieldCanId, "FFFFFFFF"), StoreResult::Changed);
    EXPECT_EQ(MessageFieldTexts(m)[kFieldCanId], "FFFFFFFF");
    for (const char* bad : {"", "18G", "123456789", "&H10"}) {
        EXPECT_EQ(StoreField(m, kFieldCanId, bad), StoreResult::Refused) << bad;
        EXPECT_EQ(m.CanId, -1) << bad;
    }
}

TEST(MessageEditorFields, NumbersStoreAndRefuseOutsideTheirTypes) {
    CanMessage m;
    EXPECT_EQ(StoreField(m, kFieldBitLength, ClampFieldText(kFieldBitLength, "0")),
              StoreResult::Changed);
    EXPECT_EQ(m.BitLength, 1);
    EXPECT_EQ(StoreField(m, kFieldDataLength, "9"), StoreResult::Refused);  // not clamped
    EXPECT_EQ(m.DataLength, 0);
    EXPECT_EQ(StoreField(m, kFieldOffset, "-40"), StoreResult::Changed);
    EXPECT_EQ(m.Offset, -40);
    EXPECT_EQ(StoreField(m, kFieldOffset, "2147483648"), StoreResult::Refused);
    EXPECT_EQ(StoreField(m, kFieldOffset, "-2147483648"), StoreResult::Changed);
    EXPECT_EQ(m.Offset, INT32_MIN);
    EXPECT_EQ(StoreField(m, kFieldMultiplier, ".125"), StoreResult::Changed);
    EXPECT_EQ(std::tuple(m.Multiplier, MessageFieldTexts(m)[kFieldMultiplier]),
              std::tuple(0.125, "0.125"));
    // A text that is not a number is refused, never stored as 0 or as its leading digits.
    for (const char* bad : {"abc", "2x", "0x10", "nan", "1.5.2"}) {
        EXPECT_EQ(StoreField(m, kFieldMultiplier, bad), StoreResult::Refused) << bad;
        EXPECT_EQ(StoreField(m, kFieldOffset, bad), StoreResult::Refused) << bad;
    }
    EXPECT_EQ(std::tuple(m.Multiplier, m.Offset), std::tuple(0.125, INT32_MIN));
    EXPECT_EQ(StoreField(m, kFieldEndianLength, ClampFieldText(kFieldEndianLength, "999")),
              StoreResult::Changed);
    EXPECT_EQ(m.EndianLength, 8);
}

TEST(MessageEditorFields, TextsAreComparedAndStoredAtTheirWidths) {
    CanMessage m = Named("Oil Temp");
    EXPECT_EQ(StoreField(m, kFieldName, "Oil Temp"), StoreResult::Unchanged);
    EXPECT_EQ(StoreField(m, kFieldName, std::string(30, 'N')), StoreResult::Changed);
    EXPECT_EQ(m.Name, std::string(24, 'N'));
    EXPECT_EQ(StoreField(m, kFieldDescription, "short"), StoreResult::Changed);
    EXPECT_EQ(std::tuple(m.Description.size(), MessageFieldTexts(m)[kFieldDescription]),
              std::tuple(80u, "short"));
}

TEST(MessageEditorFields, ShownCountsAreClamped) {
    CanMessage m = Named("x");
    m.DataLength = 12;
    m.BitLength = 0;
    m.EndianLength = 0;
    const FieldTexts t = MessageFieldTexts(m);
    // The endian length is shown as stored, coloured red; showing stores nothing.
    EXPECT_EQ(
        std::tuple(t[kFieldDataLength], t[kFieldBitLength], t[kFieldEndianLength], m.DataLength),
        std::tuple("8", "1", "0", 12));
}

TEST(MessageEditorFields, ValidationMarksEmptyNewAndMalformedFields) {
    FieldTexts t = MessageFieldTexts(Named("Boost"));
    EXPECT_FALSE(AnyError(FieldErrors(t)));
    t[kFieldName] = " New Message ";
    t[kFieldDescription] = "  ";
    t[kFieldCanId] = "12Z";
    t[kFieldOffset] = "99999999999";
    t[kFieldMultiplier] = "x1";
    const auto errors = FieldErrors(t);
    EXPECT_TRUE(AnyError(errors));
    for (int f : {kFieldName, kFieldDescription, kFieldCanId, kFieldOffset, kFieldMultiplier})
        EXPECT_TRUE(errors[f]) << f;
    for (int f :
         {kFieldDataLength, kFieldStartByte, kFieldBitLength, kFieldStartBit, kFieldEndianLength})
        EXPECT_FALSE(errors[f]) << f;
    t[kFieldOffset] = "abc";
    EXPECT_TRUE(FieldErrors(t)[kFieldOffset]);
}

TEST(UserLibraryEditorTest, OpeningDependsOnTheLibrary) {
    LibrarySet none;
    EXPECT_EQ(UserLibraryEditor(none).Open(), UserLibraryEditor::Opening::Empty);
    ASSERT_EQ(none.MessageLibraries.size(), 1u);
    EXPECT_EQ(Trimmed(none.MessageLibraries[0].Name), kUserDefinedName);

    LibrarySet old = UserSet({Named("a")}, "C001");
    EXPECT_EQ(UserLibraryEditor(old).Open(), UserLibraryEditor::Opening::Invalid);

    LibrarySet set = UserSet({Named("speed"), Named("Boost"), Named("Coolant"), Named("Boost")});
    UserLibraryEditor editor(set);
    EXPECT_EQ(editor.Open(), UserLibraryEditor::Opening::Editable);
    EXPECT_EQ(editor.Items(), (std::vector<std::string>{"Boost", "Boost", "Coolant", "speed"}));
    EXPECT_EQ(editor.order(), (std::vector<int>{1, 3, 2, 0}));
}

TEST(UserLibraryEditorTest, SaveHasSomethingToSaveOnlyWithEditsOfMessages) {
    // The flag alone (a calibration's own messages set it too) is not enough.
    LibrarySet none;
    none.LibrariesChanged = true;
    UserLibraryEditor empty(none);
    empty.Open();
    EXPECT_FALSE(empty.HasSomethingToSave());
    empty.AddNew();
    EXPECT_TRUE(empty.HasSomethingToSave());

    LibrarySet old = UserSet({Named("a")}, "C001");
    old.LibrariesChanged = true;
    UserLibraryEditor readOnly(old);
    readOnly.Open();
    EXPECT_FALSE(readOnly.HasSomethingToSave());

    LibrarySet set = UserSet({Named("a"), Named("b")});
    UserLibraryEditor editor(set);
    editor.Open();
    EXPECT_FALSE(editor.HasSomethingToSave());
    editor.Delete(0);
    EXPECT_TRUE(editor.HasSomethingToSave());
    editor.Delete(0);  // the only message: an empty library is never saved
    EXPECT_FALSE(editor.HasSomethingToSave());
}
