// "CAN Message Setup": the user's library edited through the window's controls, and the
// main window's menu entry around it (the library check, the rebuild after closing).

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidgetItem>
#include <fstream>

#include "can/blowfish.h"
#include "can/library_files.h"
#include "demo_window.h"
#include "dialog_fixture.h"
#include "files/paths.h"
#include "ui/dialogs/frm_import_dbc.h"
#include "ui/dialogs/frm_message_setup.h"
#include "ui/output/output_page.h"

using namespace vx42;
using vx42::test::FileBytes;
using vx42::test::Items;
using vx42::test::OnModal;
using vx42::test::WindowFixture;

namespace {

CanMessage Message(const std::string& name, std::int32_t id) {
    CanMessage m;
    m.Name = FixedText(name, canwidth::Name);
    m.Description = FixedText(name + " value", canwidth::Description);
    m.CanId = id;
    m.DataLength = 8;
    m.BitLength = 16;
    m.Multiplier = 0.5;
    m.Unit = FixedText("kPa", canwidth::Unit);
    m.EndianLength = 2;
    m.BigEndian = true;
    return m;
}

void WriteUserFile(const std::string& folder, std::vector<CanMessage> messages,
                   const char* version = "C002") {
    CanLibrary user = NewLibrary(kUserDefinedName);
    user.Messages = std::move(messages);
    auto bytes = WriteLibraryBytes(user);
    std::copy(version, version + 4, bytes.begin());
    std::filesystem::create_directories(folder);
    clsBlowfish cipher;
    QVERIFY(cipher.EncryptFile(bytes, JoinPath(folder, kUserDefinedFile), LibraryKey));
}

struct EditorFixture {
    test::TempDir dir;
    ScriptedPrompt prompt;
    ErrorLog log{dir.str()};
    LibrarySet set;
    std::string folder = LibraryFolderOf(dir.str());

    explicit EditorFixture(std::vector<CanMessage> messages, const char* version = "C002") {
        WriteUserFile(folder, std::move(messages), version);
        SetupLibraries(set, folder, prompt);
    }
    const CanLibrary& user() const {
        return set.MessageLibraries[static_cast<std::size_t>(set.UserDefinedIndex)];
    }
    std::string userFile() const { return JoinPath(folder, kUserDefinedFile); }
    ~EditorFixture() {
        QVERIFY2(test::ScriptMismatches(prompt).isEmpty(),
                 qPrintable(test::ScriptMismatches(prompt)));
    }
    QString unexpected() const { return test::UnexpectedDialogs(prompt); }
};

QLineEdit* Field(FrmMessageSetup& d, int field) {
    return test::FindIndexed<QLineEdit>(d, "txtEditMess", field);
}
QLabel* FieldLabel(FrmMessageSetup& d, int field) {
    return test::FindIndexed<QLabel>(d, "lblUserDesc", field);
}

// Types a field's text and leaves it, as the user does.
void Enter(FrmMessageSetup& d, int field, const QString& text) {
    Field(d, field)->setText(text);
    d.FieldLeft(field);
}

}  // namespace

class DialogMessageSetupTest : public QObject {
    Q_OBJECT
  private slots:
    void opensSortedWithTheFirstMessageShown() {
        EditorFixture f({Message("Speed", 0x100), Message("Boost", 0x18FEF100)});
        FrmMessageSetup d(f.set, f.folder, f.prompt, f.log);
        QCOMPARE(Items(d.cmbUserDefined), QStringList({"Boost", "Speed"}));
        QCOMPARE(Field(d, kFieldName)->text(), QString("Boost"));
        QCOMPARE(Field(d, kFieldCanId)->text(), QString("18FEF100"));
        QCOMPARE(d.cmbByteOrder->currentText(), QString("Big-Endian"));
        QCOMPARE(d.cmbUnit->currentText(), QString("kPa"));
        QVERIFY(d.fraEditUserDefined->isEnabled());
        QVERIFY(d.cmdDelete->isEnabled());
        QVERIFY(!d.cmdSave->isEnabled());
    }

    void eachListAndTheCheckBoxStoreTheirOwnField() {
        CanMessage odd = Message("Boost", 0x100);
        odd.Unit = FixedText("bar", canwidth::Unit);  // a unit the list does not hold
        EditorFixture f({odd});
        FrmMessageSetup d(f.set, f.folder, f.prompt, f.log);
        QCOMPARE(d.cmbUnit->currentIndex(), -1);
        d.cmbByteOrder->setCurrentIndex(1);
        emit d.cmbByteOrder->activated(1);
        QVERIFY(!f.user().Messages[0].BigEndian);
        QCOMPARE(Trimmed(f.user().Messages[0].Unit), std::string("bar"));
        QVERIFY(d.cmdSave->isEnabled());
        d.chkBitRTR->click();
        QVERIFY(f.user().Messages[0].ClearRtr);
        d.cmbUnit->setCurrentIndex(d.cmbUnit->findText("PSI"));
        emit d.cmbUnit->activated(d.cmbUnit->currentIndex());
        QCOMPARE(Trimmed(f.user().Messages[0].Unit), std::string("PSI"));
    }

    void rangedFieldsTurnRedWhileTypingAndAreClampedOnLeaving() {
        EditorFixture f({Message("Boost", 0x100)});
        FrmMessageSetup d(f.set, f.folder, f.prompt, f.log);
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
        QCOMPARE(f.user().Messages[0].DataLength, 8);
        QVERIFY(!d.cmdSave->isEnabled());  // 8 is what the message held
        // A refused text marks its label and stores nothing.
        Enter(d, kFieldCanId, "12G");
        QVERIFY(IsRed(FieldLabel(d, kFieldCanId)));
        QCOMPARE(f.user().Messages[0].CanId, 0x100);
    }

    void newMessageNeedsANameBeforeItIsSaved() {
        EditorFixture f({Message("Boost", 0x100)});
        const auto before = FileBytes(f.userFile());
        FrmMessageSetup d(f.set, f.folder, f.prompt, f.log);
        d.cmdAddMessage->click();
        QCOMPARE(d.cmdAddMessage->text(), QString("Cancel Add New"));
        QVERIFY(!d.cmbUserDefined->isEnabled());
        QVERIFY(!d.cmdDelete->isEnabled());
        QCOMPARE(d.cmbUserDefined->currentText(), QString("New Message"));
        QCOMPARE(Field(d, kFieldName)->text(), QString("New Message"));

        Enter(d, kFieldDescription, "Target boost");
        QVERIFY(d.cmdSave->isEnabled());
        f.prompt.ExpectMessage("All fields highlighted in red have missing or incorrect data.");
        d.cmdSave->click();
        QVERIFY(IsRed(FieldLabel(d, kFieldName)));
        QVERIFY(!IsRed(FieldLabel(d, kFieldDescription)));
        QCOMPARE(FileBytes(f.userFile()), before);
        QCOMPARE(d.cmdAddMessage->text(), QString("Cancel Add New"));

        Enter(d, kFieldName, "Boost Target");
        Enter(d, kFieldCanId, "18FEF100");
        d.cmdSave->click();
        QVERIFY(!IsRed(FieldLabel(d, kFieldName)));
        QVERIFY(!d.cmdSave->isEnabled());
        QCOMPARE(d.cmdAddMessage->text(), QString("Add New Message"));
        QVERIFY(d.cmbUserDefined->isEnabled());
        QCOMPARE(Items(d.cmbUserDefined), QStringList({"Boost", "Boost Target"}));

        // Read back from the file: the identifier round-trips.
        LibrarySet loaded;
        SetupLibraries(loaded, f.folder, f.prompt);
        const CanLibrary& user =
            loaded.MessageLibraries[static_cast<std::size_t>(loaded.UserDefinedIndex)];
        QCOMPARE(user.MessageCount(), 2);
        QCOMPARE(Trimmed(user.Messages[1].Name), std::string("Boost Target"));
        QCOMPARE(user.Messages[1].CanId, 0x18FEF100);
    }

    // Cancel Add drops the new message; an edited message with errors cannot be left.
    void cancelAddRemovesTheNewMessageAndErrorsHoldTheMessage() {
        EditorFixture f({Message("Boost", 0x100), Message("Speed", 0x200)});
        FrmMessageSetup d(f.set, f.folder, f.prompt, f.log);
        d.cmdAddMessage->click();
        QCOMPARE(f.user().MessageCount(), 3);
        d.cmdAddMessage->click();
        QCOMPARE(f.user().MessageCount(), 2);
        QCOMPARE(Items(d.cmbUserDefined), QStringList({"Boost", "Speed"}));
        QCOMPARE(Field(d, kFieldName)->text(), QString("Boost"));
        QVERIFY(d.cmdDelete->isEnabled());
        QVERIFY(d.cmbUserDefined->isEnabled());

        Enter(d, kFieldDescription, "");
        f.prompt.ExpectMessage("Please correct all errors");
        d.ListClicked(1);
        QCOMPARE(d.cmbUserDefined->currentIndex(), 0);
        QVERIFY(IsRed(FieldLabel(d, kFieldDescription)));
        Enter(d, kFieldDescription, "Boost pressure");
        d.ListClicked(1);
        QCOMPARE(Field(d, kFieldName)->text(), QString("Speed"));
        QVERIFY(!IsRed(FieldLabel(d, kFieldDescription)));  // the mark went with its message
    }

    // Emptied, the library offers nothing to save and marks nothing; a new message can be.
    void deletingTheOnlyMessageThenAddingOne() {
        EditorFixture f({Message("Boost", 0x100)});
        FrmMessageSetup d(f.set, f.folder, f.prompt, f.log);
        d.cmdDelete->click();
        QCOMPARE(d.cmbUserDefined->count(), 0);
        QVERIFY(Field(d, kFieldName)->text().isEmpty());
        QVERIFY(!d.fraEditUserDefined->isEnabled());
        QVERIFY(!d.cmdSave->isEnabled());
        QVERIFY(!d.cmdDelete->isEnabled());
        for (int field = 0; field < kMessageFields; ++field) QVERIFY(!IsRed(FieldLabel(d, field)));
        d.cmdAddMessage->click();
        QCOMPARE(f.user().MessageCount(), 1);
        QCOMPARE(Trimmed(f.user().Messages[0].Name), std::string("New Message"));
        QCOMPARE(Items(d.cmbUserDefined), QStringList({"New Message"}));
        QVERIFY(d.fraEditUserDefined->isEnabled());
        QVERIFY(d.cmdSave->isEnabled());
    }

    void deletingOneOfSeveralShowsTheFirstWithoutValidating() {
        EditorFixture f({Message("Boost", 0x100), Message("Speed", 0x200), Message("Coolant", 3)});
        FrmMessageSetup d(f.set, f.folder, f.prompt, f.log);
        Enter(d, kFieldDescription, "");  // an error the delete discards with the message
        d.cmdDelete->click();
        QCOMPARE(Items(d.cmbUserDefined), QStringList({"Coolant", "Speed"}));
        QCOMPARE(Field(d, kFieldName)->text(), QString("Coolant"));
        QVERIFY(d.cmdSave->isEnabled());
    }

    void anOldLibraryOpensReadOnly() {
        EditorFixture f({Message("Boost", 0x100)}, "C001");
        f.prompt.ExpectMessage("Invalid User Defined File.");
        FrmMessageSetup d(f.set, f.folder, f.prompt, f.log);
        QCOMPARE(d.cmbUserDefined->count(), 0);
        QVERIFY(!d.fraEditUserDefined->isEnabled());
        QVERIFY(!d.cmdDelete->isEnabled());
        QVERIFY(!d.cmdSave->isEnabled());
    }

    void aSaveThatCannotWriteSaysSoAndStaysUnsaved() {
        EditorFixture f({Message("Boost", 0x100)});
        const std::string blocked = f.dir.file("blocked");
        std::ofstream(blocked) << "not a folder";
        FrmMessageSetup d(f.set, blocked, f.prompt, f.log);
        Enter(d, kFieldName, "Boost 2");
        f.prompt.ExpectMessage("could not be saved");
        d.cmdSave->click();
        QVERIFY(d.cmdSave->isEnabled());
        QVERIFY(f.set.LibrariesChanged);
    }

    void anOldLibraryIsMovedAsideByTheMenu() {
        WindowFixture f;
        const std::string folder = f.app.libraryFolder();
        WriteUserFile(folder, {Message("Boost", 0x100)}, "C001");
        SetupLibraries(f.app.libraries, folder, f.prompt);
        f.prompt.ExpectMessage("Invalid User Defined Library!");
        f.window.menuSettingsCAN->trigger();  // no editor opens
        QVERIFY(FileExists(JoinPath(folder, kUserDefinedOldFile)));
        QVERIFY(!FileExists(JoinPath(folder, kUserDefinedFile)));
        QStringList libraries = Items(f.window.outputPage->cmbLibrary[0]);
        QCOMPARE(libraries, QStringList({"None", "User Defined", "User Defined Old"}));
    }

    void closingWithoutSavingKeepsTheFileAndAnImportSavesItsSignal() {
        WindowFixture f;
        const std::string folder = f.app.libraryFolder();
        WriteUserFile(folder, {Message("Boost", 0x100)});
        SetupLibraries(f.app.libraries, folder, f.prompt);
        const CanLibrary onDisk = f.app.libraries.MessageLibraries[0];
        const auto before = FileBytes(JoinPath(folder, kUserDefinedFile));
        f.window.outputPage->Reload();

        OnModal<FrmMessageSetup>([](FrmMessageSetup& d) {
            Enter(d, kFieldName, "Renamed");
            d.cmdAddMessage->click();
            d.close();
        });
        f.window.menuSettingsCAN->trigger();
        QCOMPARE(FileBytes(JoinPath(folder, kUserDefinedFile)), before);
        QCOMPARE(f.app.libraries.MessageLibraries.size(), std::size_t{1});
        QCOMPARE(f.app.libraries.MessageLibraries[0], onDisk);
        QVERIFY(!f.app.libraries.LibrariesChanged);
        auto* library = f.window.outputPage->cmbLibrary[0];
        library->setCurrentIndex(library->findText("User Defined"));
        emit library->activated(library->currentIndex());
        QCOMPARE(Items(f.window.outputPage->cmbMessage[0]), QStringList({"None", "Boost"}));

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
                QVERIFY(!chooser.cmdOK->isEnabled());
                QCOMPARE(chooser.MessageItem(0)->text(1),
                         QString("0x18FEF100 (419361024), extended"));
                QVERIFY(!(chooser.RowItem(1)->flags() & Qt::ItemIsEnabled));
                QVERIFY(chooser.RowItem(1)->text(4).contains("signed"));
                chooser.txtFilter->setText("speed");
                QVERIFY(chooser.RowItem(2)->isHidden());
                chooser.RowItem(0)->setCheckState(0, Qt::Checked);
                QCOMPARE(chooser.MessageItem(0)->checkState(0), Qt::PartiallyChecked);
                chooser.cmdOK->click();
            });
            d.cmdImportDbc->click();
            QCOMPARE(d.cmbUserDefined->currentText(), QString("EngineSpeed"));
            QVERIFY(!d.cmdSave->isEnabled());
            d.close();
        });
        f.window.menuSettingsCAN->trigger();

        LibrarySet saved;
        SetupLibraries(saved, folder, f.prompt);
        const auto& user = saved.MessageLibraries[static_cast<std::size_t>(saved.UserDefinedIndex)];
        QCOMPARE(user.Messages.size(), std::size_t{2});
        QCOMPARE(Trimmed(user.Messages[1].Name), std::string("EngineSpeed"));
        QCOMPARE(user.Messages[1].CanId, 0x18FEF100);
        library = f.window.outputPage->cmbLibrary[1];
        library->setCurrentIndex(library->findText("User Defined"));
        emit library->activated(library->currentIndex());
        QCOMPARE(Items(f.window.outputPage->cmbMessage[1]),
                 QStringList({"None", "Boost", "EngineSpeed"}));
    }
};

QTEST_MAIN(DialogMessageSetupTest)
#include "dialog_message_setup_test.moc"
