// "CAN Message Setup": the user's library edited through the window's controls, and the
// main window's menu entry around it (the library check, the rebuild after closing). The
// fields' ranges, checks and the library's order are the editor's rules, tested there.

#include <QTreeWidgetItem>

#include "can/blowfish.h"
#include "can/library_files.h"
#include "support/can_messages.h"
#include "ui/dialogs/frm_import_dbc.h"
#include "ui_fixture.h"

namespace {

std::string UserFile(WindowFixture& f) {
    return JoinPath(f.app.libraryFolder(), kUserDefinedFile);
}

CanMessage Message(const std::string& name, std::int32_t id) {
    return LibraryMessage({.CanId = id,
                           .Name = FixedText(name, canwidth::Name),
                           .Description = FixedText(name + " value", canwidth::Description),
                           .BigEndian = true,
                           .Multiplier = 0.5,
                           .Unit = FixedText("kPa", canwidth::Unit)});
}

// The user's library of these messages written in the program's library folder and loaded.
void UseUserLibrary(WindowFixture& f, std::vector<CanMessage> messages,
                    const char* version = "C002") {
    CanLibrary user = NewLibrary(kUserDefinedName);
    user.Messages = std::move(messages);
    auto bytes = WriteLibraryBytes(user);
    std::copy(version, version + 4, bytes.begin());
    std::filesystem::create_directories(f.app.libraryFolder());
    clsBlowfish cipher;
    QVERIFY(cipher.EncryptFile(bytes, UserFile(f), LibraryKey));
    SetupLibraries(f.app.libraries, f.app.libraryFolder(), f.prompt);
}

// The user's library as the folder holds it, or as the program holds it.
CanLibrary UserOnDisk(WindowFixture& f) {
    LibrarySet loaded;
    SetupLibraries(loaded, f.app.libraryFolder(), f.prompt);
    return loaded.MessageLibraries[static_cast<std::size_t>(loaded.UserDefinedIndex)];
}
const CanMessage& UserMessage(WindowFixture& f, int k) {
    const auto& set = f.app.libraries;
    return set.MessageLibraries[static_cast<std::size_t>(set.UserDefinedIndex)].Messages.at(
        static_cast<std::size_t>(k));
}

// The editor as the menu opens it, over the program's libraries.
struct Editor : FrmMessageSetup {
    explicit Editor(WindowFixture& f, const std::string& folder = {})
        : FrmMessageSetup(f.app.libraries, folder.empty() ? f.app.libraryFolder() : folder,
                          f.prompt, f.app.log) {}
};

QLineEdit* Field(FrmMessageSetup& d, int field) {
    return test::FindIndexed<QLineEdit>(d, "txtEditMess", field);
}
bool LabelRed(FrmMessageSetup& d, int field) {
    return IsRed(test::FindIndexed<QLabel>(d, "lblUserDesc", field));
}

// Types a field's text and leaves it, as the user does.
void Enter(FrmMessageSetup& d, int field, const QString& text) {
    Field(d, field)->setText(text);
    d.FieldLeft(field);
}

// Chooses the library "User Defined" for the data of output 1 (0) or 2 (1); the messages listed.
QStringList UserMessagesOffered(WindowFixture& f, int data) {
    WindowFixture::Choose(f.page().cmbLibrary[data], "User Defined");
    return Items(f.page().cmbMessage[data]);
}

}  // namespace

class DialogMessageSetupTest : public QObject {
    Q_OBJECT
  private slots:
    void theFieldsShowTheMessageAndEachControlStoresItsOwn() {
        CanMessage odd = Message("Boost", 0x18FEF100);
        odd.Unit = FixedText("bar", canwidth::Unit);  // a unit the list does not hold
        WindowFixture f;
        UseUserLibrary(f, {Message("Speed", 0x100), odd});
        Editor d(f);
        QCOMPARE(Items(d.cmbUserDefined), QStringList({"Boost", "Speed"}));
        QCOMPARE(Field(d, kFieldName)->text(), QString("Boost"));
        QCOMPARE(d.cmbByteOrder->currentText(), QString(kBigEndianItem));
        QCOMPARE(d.cmbUnit->currentIndex(), -1);
        const CanMessage& boost = UserMessage(f, 1);
        WindowFixture::Choose(d.cmbByteOrder, kLittleEndianItem);
        QVERIFY(!boost.BigEndian);
        QCOMPARE(Trimmed(boost.Unit), std::string("bar"));
        QVERIFY(d.cmdSave->isEnabled());
        d.chkBitRTR->click();
        QVERIFY(boost.ClearRtr);
        WindowFixture::Choose(d.cmbUnit, "PSI");
        QCOMPARE(Trimmed(boost.Unit), std::string("PSI"));
        d.ListClicked(1);
        QCOMPARE(d.cmbUnit->currentText(), QString("kPa"));
    }

    void rangedFieldsTurnRedWhileTypingAndAreClampedOnLeaving() {
        WindowFixture f;
        UseUserLibrary(f, {Message("Boost", 0x100)});
        Editor d(f);
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QLineEdit* dataLength = Field(d, kFieldDataLength);
        dataLength->setFocus();
        dataLength->selectAll();
        QTest::keyClicks(dataLength, "9");
        QVERIFY(IsRed(dataLength));
        Field(d, kFieldMultiplier)->setFocus();  // leaving the field stores it
        QCOMPARE(dataLength->text(), QString("8"));
        QVERIFY(!IsRed(dataLength));
        // A refused text marks its label and stores nothing.
        Enter(d, kFieldCanId, "12G");
        QVERIFY(LabelRed(d, kFieldCanId));
        QCOMPARE(UserMessage(f, 0).CanId, 0x100);
    }

    void aNewMessageNeedsANameBeforeItIsSavedAndCancelAddDropsIt() {
        WindowFixture f;
        UseUserLibrary(f, {Message("Boost", 0x100)});
        const auto before = FileBytes(UserFile(f));
        Editor d(f);
        d.cmdAddMessage->click();
        QVERIFY(!d.cmbUserDefined->isEnabled());
        d.cmdAddMessage->click();  // "Cancel Add New"
        QCOMPARE(Items(d.cmbUserDefined), QStringList({"Boost"}));

        d.cmdAddMessage->click();
        QCOMPARE(Field(d, kFieldName)->text(), QString("New Message"));
        Enter(d, kFieldDescription, "Target boost");
        f.prompt.ExpectMessage("All fields highlighted in red have missing or incorrect data.");
        d.cmdSave->click();
        QVERIFY(LabelRed(d, kFieldName));
        QCOMPARE(FileBytes(UserFile(f)), before);
        Enter(d, kFieldName, "Boost Target");
        Enter(d, kFieldCanId, "18FEF100");
        d.cmdSave->click();
        QVERIFY(!d.cmdSave->isEnabled());
        QCOMPARE(Items(d.cmbUserDefined), QStringList({"Boost", "Boost Target"}));
        const CanLibrary user = UserOnDisk(f);
        QCOMPARE(user.MessageCount(), 2);
        QCOMPARE(user.Messages[1].CanId, 0x18FEF100);
    }

    // An edited message with errors cannot be left; the mark goes with its message.
    void errorsHoldTheMessage() {
        WindowFixture f;
        UseUserLibrary(f, {Message("Boost", 0x100), Message("Speed", 0x200)});
        Editor d(f);
        Enter(d, kFieldDescription, "");
        f.prompt.ExpectMessage("Please correct all errors");
        d.ListClicked(1);
        QCOMPARE(d.cmbUserDefined->currentIndex(), 0);
        QVERIFY(LabelRed(d, kFieldDescription));
        Enter(d, kFieldDescription, "Boost pressure");
        d.ListClicked(1);
        QCOMPARE(Field(d, kFieldName)->text(), QString("Speed"));
        QVERIFY(!LabelRed(d, kFieldDescription));
    }

    // Deleting shows the first message left without validating the one deleted; emptied, the
    // library offers nothing to save and marks nothing, and a new message can be added.
    void deletingToTheLastMessageThenAddingOne() {
        WindowFixture f;
        UseUserLibrary(f, {Message("Boost", 0x100), Message("Speed", 0x200)});
        Editor d(f);
        Enter(d, kFieldDescription, "");  // an error the delete discards with the message
        d.cmdDelete->click();
        QCOMPARE(Items(d.cmbUserDefined), QStringList({"Speed"}));
        d.cmdDelete->click();
        QVERIFY(Field(d, kFieldName)->text().isEmpty());
        QVERIFY(!d.fraEditUserDefined->isEnabled() && !d.cmdSave->isEnabled());
        for (int field = 0; field < kMessageFields; ++field) QVERIFY(!LabelRed(d, field));
        d.cmdAddMessage->click();
        QCOMPARE(Items(d.cmbUserDefined), QStringList({"New Message"}));
        QVERIFY(d.fraEditUserDefined->isEnabled());
    }

    void aSaveThatCannotWriteSaysSoAndStaysUnsaved() {
        WindowFixture f;
        UseUserLibrary(f, {Message("Boost", 0x100)});
        const std::string blocked = f.folder.file("blocked");
        std::ofstream(blocked) << "not a folder";
        Editor d(f, blocked);
        Enter(d, kFieldName, "Boost 2");
        f.prompt.ExpectMessage("could not be saved");
        d.cmdSave->click();
        QVERIFY(d.cmdSave->isEnabled());
        QVERIFY(f.app.libraries.LibrariesChanged);
    }

    void anOldLibraryIsMovedAsideByTheMenu() {
        WindowFixture f;
        UseUserLibrary(f, {Message("Boost", 0x100)}, "C001");
        f.prompt.ExpectMessage("Invalid User Defined Library!");
        f.window.menuSettingsCAN->trigger();  // no editor opens
        QVERIFY(FileExists(JoinPath(f.app.libraryFolder(), kUserDefinedOldFile)));
        QVERIFY(!FileExists(UserFile(f)));
        QCOMPARE(Items(f.page().cmbLibrary[0]),
                 QStringList({"None", "User Defined", "User Defined Old"}));
    }

    void closingWithoutSavingKeepsTheFileAndAnImportSavesItsSignal() {
        WindowFixture f;
        UseUserLibrary(f, {Message("Boost", 0x100)});
        const CanLibrary onDisk = f.app.libraries.MessageLibraries[0];
        const auto before = FileBytes(UserFile(f));
        f.page().Reload();
        OnModal<FrmMessageSetup>([](FrmMessageSetup& d) {
            Enter(d, kFieldName, "Renamed");
            d.cmdAddMessage->click();
            d.close();
        });
        f.window.menuSettingsCAN->trigger();
        QCOMPARE(FileBytes(UserFile(f)), before);
        QCOMPARE(f.app.libraries.MessageLibraries, std::vector<CanLibrary>{onDisk});
        QVERIFY(!f.app.libraries.LibrariesChanged);
        QCOMPARE(UserMessagesOffered(f, 0), QStringList({"None", "Boost"}));

        // Import DBC saves the chosen signal and the outputs offer it.
        const std::string dbc = f.folder.file("engine.dbc");
        std::ofstream(dbc) << "BO_ 2566844672 EEC1: 8 ECU\n"
                              " SG_ EngineSpeed : 24|16@1+ (0.125,0) [0|8031] \"rpm\" X\n"
                              " SG_ Torque : 8|8@1- (1,0) [-125|125] \"%\" X\n"
                              " SG_ Load : 16|8@1+ (1,0) [0|100] \"%\" X\n";
        f.prompt.AnswerOpenFile(dbc);
        f.prompt.ExpectMessage("1 signals were added");
        OnModal<FrmMessageSetup>([](FrmMessageSetup& d) {
            OnModal<FrmImportDbc>([](FrmImportDbc& chooser) {
                QVERIFY(!(chooser.RowItem(1)->flags() & Qt::ItemIsEnabled));  // signed
                chooser.txtFilter->setText("speed");
                QVERIFY(chooser.RowItem(2)->isHidden());
                chooser.RowItem(0)->setCheckState(0, Qt::Checked);
                chooser.cmdOK->click();
            });
            d.cmdImportDbc->click();
            QCOMPARE(d.cmbUserDefined->currentText(), QString("EngineSpeed"));
            QVERIFY(!d.cmdSave->isEnabled());
            d.close();
        });
        f.window.menuSettingsCAN->trigger();
        const CanLibrary user = UserOnDisk(f);
        QCOMPARE(user.Messages.size(), std::size_t{2});
        QCOMPARE(user.Messages[1].CanId, 0x18FEF100);
        QCOMPARE(UserMessagesOffered(f, 1), QStringList({"None", "Boost", "EngineSpeed"}));
    }
};

QTEST_MAIN(DialogMessageSetupTest)
#include "dialog_message_setup_test.moc"
