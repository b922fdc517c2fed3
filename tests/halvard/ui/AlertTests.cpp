#include "halvard/ui/MCAlert.h"

#include "platform/core/MCUserDefaults.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

TEST(MCAlert, ButtonsAnswerByPosition)
{
    struct Case { MCAlert alert; QStringList titles; };
    const Case cases[] = {
        {MCAlert::alertWithMessageText("m", "i", "OK"), {"OK"}},
        {MCAlert::alertWithMessageText("m", "i", "Replace", "Cancel"), {"Replace", "Cancel"}},
        {MCAlert::alertWithMessageText("m", "i", "Save", "", ""), {"Save"}}, // missing titles skipped
        {MCAlert::alertWithMessageText("m", "i", "A", "B", "C"), {"A", "B", "C"}},
        {MCAlert::alertWithMessageText("m", "i", "A", "B", "C", "D"), {"A", "B", "C", "D"}},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.alert.buttonTitles(), c.titles);
        for (int position = 0; position < c.titles.size(); ++position) {
            MCScopedAlertResponder script([&](const MCAlertRequest &request) {
                EXPECT_EQ(request.messageText, "m");
                EXPECT_EQ(request.informativeText, "i");
                return MCAlertAnswer{MCAlertFirstButtonReturn + position, false};
            });
            MCAlert alert = c.alert;
            EXPECT_EQ(alert.runModal(), 1000 + position) << c.titles.join(",").toStdString();
        }
    }
}

TEST(MCAlert, TextsOnlyWhenGivenAndAnswersOutsideTheButtonsFallBackToTheFirst)
{
    MCAlert alert = MCAlert::alertWithMessageText("", "", "");
    EXPECT_TRUE(alert.buttonTitles().isEmpty());
    MCAlertRequest seen;
    MCScopedAlertResponder script([&](const MCAlertRequest &request) {
        seen = request;
        return MCAlertAnswer{MCAlertThirdButtonReturn, true};
    });
    EXPECT_EQ(alert.runModal(), MCAlertFirstButtonReturn);
    EXPECT_EQ(seen.buttonTitles, QStringList{"OK"}); // an alert always has a button
    EXPECT_FALSE(seen.showsSuppressionButton);
    EXPECT_FALSE(alert.suppressionButtonChecked()); // no box, so nothing can be checked
}

TEST(MCAlert, SuppressibleAlertRemembersTheAnswerOnlyWhenAskedTo)
{
    MCUserDefaults defaults(testsupport::makeTemporaryFolder() + "/defaults.plist");
    MCAlert alert = MCAlert::alertWithMessageText("Overwrite?", "", "Overwrite", "Skip");
    int asked = 0;
    bool check = false;
    MCScopedAlertResponder script([&](const MCAlertRequest &request) {
        ++asked;
        EXPECT_TRUE(request.showsSuppressionButton);
        EXPECT_EQ(request.suppressionButtonTitle, "Don't show again");
        return MCAlertAnswer{MCAlertSecondButtonReturn, check};
    });
    EXPECT_EQ(alert.runSuppressible(defaults, "OverwriteWarning"), MCAlertSecondButtonReturn);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(defaults.objectForKey("OverwriteWarning").isValid());

    check = true;
    EXPECT_EQ(alert.runSuppressible(defaults, "OverwriteWarning"), MCAlertSecondButtonReturn);
    EXPECT_EQ(alert.runSuppressible(defaults, "OverwriteWarning"), MCAlertSecondButtonReturn);
    EXPECT_EQ(asked, 2); // the third time is answered from the defaults

    // A remembered answer this alert cannot give is ignored and the user is asked again.
    defaults.setInteger(1003, "OverwriteWarning");
    EXPECT_EQ(alert.runSuppressible(defaults, "OverwriteWarning"), MCAlertSecondButtonReturn);
    EXPECT_EQ(asked, 3);
    EXPECT_FALSE(alert.showsSuppressionButton()); // the alert itself is left as it was
}

TEST(MCPromptLayer, ScopedResponderRestoresThePreviousOne)
{
    EXPECT_FALSE(MCPromptLayer::hasAlertResponder());
    {
        MCScopedAlertResponder outer([](const MCAlertRequest &) { return MCAlertAnswer{1001, false}; });
        {
            MCScopedAlertResponder inner([](const MCAlertRequest &) { return MCAlertAnswer{1000, false}; });
        }
        MCAlertRequest request;
        request.buttonTitles = QStringList{"A", "B"};
        EXPECT_EQ(MCPromptLayer::runAlert(request).response, 1001);
    }
    EXPECT_FALSE(MCPromptLayer::hasAlertResponder());
}

// Without a responder the alert is a message box: its icon follows the style, and a box that
// ends without a click (the program ending under it) answers its Cancel button, never its
// first one.
TEST(MCPromptLayer, MessageBoxIconFollowsTheStyleAndAnUnansweredBoxCancels)
{
    struct Case {
        MCAlertStyle style;
        QMessageBox::Icon icon;
    };
    for (const Case &c : {Case{MCAlertStyleWarning, QMessageBox::Warning},
                          Case{MCAlertStyleInformational, QMessageBox::Information},
                          Case{MCAlertStyleCritical, QMessageBox::Critical}}) {
        MCAlertRequest request;
        request.messageText = QStringLiteral("Replace the photo?");
        request.buttonTitles = QStringList{"Replace", "Cancel"};
        request.alertStyle = c.style;
        QMessageBox::Icon shown = QMessageBox::NoIcon;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(widget);
                if (box && box->isVisible()) {
                    shown = box->icon();
                    poll.stop();
                    box->done(0);
                    return;
                }
            }
        });
        poll.start();
        EXPECT_EQ(MCPromptLayer::runAlert(request).response, MCAlertSecondButtonReturn) << int(c.style);
        EXPECT_EQ(shown, c.icon) << int(c.style);
    }
}
