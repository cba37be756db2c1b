// The "Set Selection" input window: the caret after the entered digit once shown, OK and
// Cancel.

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/qt/frm_input_box.h"

using vx42::FrmInputBox;

class InputBoxTest : public QObject {
    Q_OBJECT
  private slots:
    void caretFollowsTheTypedDigit() {
        FrmInputBox box("Please enter the value you would like to set the entire selection to.",
                        "Set Selection", "7");
        QCOMPARE(box.windowTitle(), QString("Set Selection"));
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QTRY_VERIFY(box.txtEntry->hasFocus());
        QCOMPARE(box.txtEntry->cursorPosition(), 1);
        QVERIFY(!box.txtEntry->hasSelectedText());
        QTest::keyClick(box.txtEntry, Qt::Key_5);  // appended, not replacing the 7
        box.cmdOK->click();
        QCOMPARE(box.InputBoxResult(), QString("75"));
        QCOMPARE(box.result(), int(QDialog::Accepted));
    }

    void cancelGivesAnEmptyAnswer() {
        FrmInputBox box("prompt", "Set Selection", "12");
        box.show();
        box.cmdCancle->click();
        QCOMPARE(box.InputBoxResult(), QString());
        QCOMPARE(box.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(InputBoxTest)
#include "input_box_test.moc"
