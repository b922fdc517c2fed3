// The dialog base: hook order for sheet and modal shows, result codes, a controller without a
// window, keys, and the wizard's pages.
#include "app/shell/MCDialogController.h"
#include "app/shell/MCWizardDialog.h"
#include "halvard/ui/MCNavigationController.h"
#include "halvard/ui/MCViewController.h"
#include "tests/support/TestSupport.h"

#include <QAbstractButton>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <optional>

// Readable failures.
inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

namespace {

// Records every hook; its window has three buttons wired to the three actions.
class RecordingDialog : public MCDialogController
{
public:
    explicit RecordingDialog(bool hasWindow = true) : m_hasWindow(hasWindow) {}
    QStringList events;
    QPushButton *ok = nullptr;
    QPushButton *other = nullptr;
    int loads = 0;
    int updates = 0;

protected:
    QDialog *loadWindow() override
    {
        ++loads;
        events << "load";
        if (!m_hasWindow)
            return nullptr;
        auto *dialog = new QDialog;
        auto *layout = new QVBoxLayout(dialog);
        ok = new QPushButton("OK", dialog);
        auto *cancel = new QPushButton("Cancel", dialog);
        other = new QPushButton("Other", dialog);
        for (QPushButton *button : {ok, cancel, other}) {
            button->setAutoDefault(false);
            layout->addWidget(button);
        }
        QObject::connect(ok, &QPushButton::clicked, this, [this] { defaultButtonClick(); });
        QObject::connect(cancel, &QPushButton::clicked, this, [this] { alternateButtonClick(); });
        QObject::connect(other, &QPushButton::clicked, this, [this] { otherButtonClick(); });
        setDefaultButton(ok);
        return dialog;
    }
    void windowDidLoad() override
    {
        events << "windowDidLoad";
        MCDialogController::windowDidLoad();
    }
    void initializeWindow() override { events << "initializeWindow"; }
    void prepareToShow() override { events << "prepareToShow"; }
    void handleDefaultButtonClick() override { events << "default"; }
    void handleAlternateButtonClick() override { events << "alternate"; }
    void handleOtherButtonClick() override { events << "other"; }
    void updateItems() override { ++updates; }
    void prepareToClose() override
    {
        events << QStringLiteral("prepareToClose visible=%1").arg(window() && window()->isVisible() ? "true" : "false");
    }

private:
    bool m_hasWindow;
};

} // namespace

TEST(DialogController, SheetHookOrderAndEveryResultCode)
{
    struct Case {
        int code;
        const char *hook; // nullptr: none
    };
    const Case cases[] = {{1000, "default"}, {1001, "alternate"}, {1002, "other"}, {7, nullptr}, {-1, nullptr}};
    QWidget host;
    host.resize(600, 400);
    host.show();
    RecordingDialog dialog;
    bool first = true;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.code);
        dialog.events.clear();
        std::optional<int> result;
        dialog.beginSheetModalForWindow(&host, [&](int code) {
            dialog.events << "handler";
            result = code;
        });
        ASSERT_TRUE(dialog.isSheet());
        EXPECT_EQ(dialog.sheetParent(), &host);
        EXPECT_EQ(dialog.window()->windowModality(), Qt::WindowModal);
        EXPECT_TRUE(dialog.window()->isVisible());
        EXPECT_FALSE(result) << "a sheet returns at once";
        dialog.finishWithResultCode(c.code);
        QStringList expected;
        if (first)
            expected << "load" << "windowDidLoad" << "initializeWindow";
        expected << "prepareToShow";
        if (c.hook)
            expected << c.hook;
        expected << "prepareToClose visible=true" << "handler";
        EXPECT_EQ(dialog.events, expected);
        EXPECT_EQ(result, c.code);
        EXPECT_FALSE(dialog.window()->isVisible());
        EXPECT_FALSE(dialog.isShown());
        first = false;
    }
    EXPECT_EQ(dialog.loads, 1) << "the window is made once and reused";
}

TEST(DialogController, ButtonsKeysAndCloseEndTheSheet)
{
    QWidget host;
    host.resize(600, 400);
    host.show();
    RecordingDialog dialog;
    int result = 0;
    auto begin = [&] {
        result = 0;
        dialog.beginSheetModalForWindow(&host, [&](int code) { result = code; });
    };
    begin();
    dialog.ok->click();
    EXPECT_EQ(result, 1000);
    begin();
    QTest::keyClick(dialog.window(), Qt::Key_Return);
    EXPECT_EQ(result, 1000) << "Return clicks the default button";
    begin();
    QTest::keyClick(dialog.window(), Qt::Key_Escape);
    EXPECT_EQ(result, 1001) << "Escape is the alternate button";
    begin();
    dialog.window()->close();
    EXPECT_EQ(result, 1001) << "closing the window cancels";
    EXPECT_FALSE(dialog.window()->isVisible());
    EXPECT_EQ(dialog.window()->parentWidget(), nullptr) << "the window is let go of its host";
}

TEST(DialogController, WithoutAWindowNothingIsShownAndTheHandlerNeverRuns)
{
    QWidget host;
    RecordingDialog dialog(false);
    bool called = false;
    dialog.beginSheetModalForWindow(&host, [&](int) { called = true; });
    EXPECT_FALSE(dialog.isShown());
    dialog.finishWithResultCode(1000);
    QCoreApplication::processEvents();
    EXPECT_FALSE(called);
    EXPECT_EQ(dialog.runModal(), 0);
    EXPECT_EQ(dialog.events, QStringList({"load", "default", "load"}));
    EXPECT_EQ(dialog.windowNibName(), "MCTestDialog");
}

TEST(DialogController, RunModalAnswersTheCodeThatStoppedIt)
{
    for (int code : {1000, 1001, 1002, 42}) {
        SCOPED_TRACE(code);
        RecordingDialog dialog;
        QTimer::singleShot(0, &dialog, [&] {
            EXPECT_TRUE(dialog.window()->isVisible());
            EXPECT_EQ(dialog.window()->windowModality(), Qt::ApplicationModal);
            dialog.finishWithResultCode(code);
        });
        EXPECT_EQ(dialog.runModal(), code);
        EXPECT_FALSE(dialog.window()->isVisible());
        EXPECT_EQ(dialog.events.last(), "prepareToClose visible=true");
        EXPECT_EQ(dialog.events.count("prepareToShow"), 1);
    }
}

TEST(DialogController, ReleasedDuringItsModalRunAnswersZero)
{
    auto *dialog = new RecordingDialog;
    QTimer::singleShot(0, [dialog] { dialog->deleteLater(); });
    EXPECT_EQ(dialog->runModal(), 0);
}

TEST(DialogController, OwnedByItsOwnWindowItGoesWithIt)
{
    auto *dialog = new RecordingDialog;
    QPointer<QDialog> window = dialog->window();
    ASSERT_NE(window, nullptr);
    dialog->setParent(window);
    QPointer<RecordingDialog> controller(dialog);
    delete window.data(); // deletes the controller, which must not delete the window again
    EXPECT_TRUE(controller.isNull());
}

TEST(DialogController, AHandlerMayShowTheDialogAgain)
{
    QWidget host;
    host.show();
    RecordingDialog dialog;
    int shows = 0;
    std::function<void(int)> again = [&](int) {
        if (++shows < 3)
            dialog.beginSheetModalForWindow(&host, again);
    };
    dialog.beginSheetModalForWindow(&host, again);
    dialog.finishWithResultCode(1000);
    EXPECT_TRUE(dialog.isSheet());
    dialog.finishWithResultCode(1000);
    dialog.finishWithResultCode(1000);
    EXPECT_EQ(shows, 3);
    EXPECT_FALSE(dialog.isShown());
}

TEST(DialogController, ControlsAreUpdatedWhenShownAndAfterInput)
{
    QWidget host;
    host.resize(600, 400);
    host.show();
    RecordingDialog dialog;
    auto *box = new QPushButton("Toggle", nullptr);
    dialog.beginSheetModalForWindow(&host);
    box->setParent(dialog.window());
    box->setCheckable(true);
    box->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.updates, 1) << "once when shown, however many events that took";
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClick(box, Qt::Key_A);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.updates, 2) << "input in one event-loop pass gives one update";
    QTest::mouseClick(&host, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.updates, 2) << "input elsewhere is not the dialog's";
    dialog.finishWithResultCode(1001);
    QTest::mouseClick(box, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog.updates, 2) << "nothing once closed";
}

TEST(DialogController, SheetsHangCentredFromTheHostsTop)
{
    struct Case {
        QRect host;
        QSize sheet;
        QPoint origin;
    };
    const Case cases[] = {
        {{100, 50, 800, 600}, {400, 120}, {300, 50}},
        {{0, 0, 801, 600}, {400, 120}, {200, 0}},
        {{100, 50, 300, 200}, {400, 120}, {100, 50}}, // wider than the host
        {{-500, 20, 400, 300}, {400, 100}, {-500, 20}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MCSheetOrigin(c.host, c.sheet), c.origin);
}

// ------------------------------------------------------------------------------------------------

namespace {

QStringList *gLog = nullptr;

class TestPage : public MCViewController, public MCWizardViewController
{
public:
    TestPage(QString name, bool withBottom) : m_name(std::move(name))
    {
        if (withBottom) {
            m_bottom = new QWidget;
            m_bottom->setObjectName(m_name + " strip");
        }
    }
    ~TestPage() override { delete m_bottom.data(); }
    void prepareToShow() override { *gLog << m_name + " prepareToShow"; }
    void prepareToClose() override { *gLog << m_name + " prepareToClose"; }
    QWidget *bottomView() const override { return m_bottom; }

private:
    QString m_name;
    QPointer<QWidget> m_bottom;
};

class RecordingWizard : public MCWizardDialog
{
protected:
    void wizardPageWillBeShown(MCViewController *page) override
    {
        *gLog << QStringLiteral("willBeShown %1").arg(controllers().indexOf(findPage(page)));
        MCWizardDialog::wizardPageWillBeShown(page);
    }
    void handleDefaultButtonClick() override { *gLog << "default"; }
    void handleAlternateButtonClick() override { *gLog << "alternate"; }
    void handleOtherButtonClick() override { *gLog << "other"; }
    void prepareToClose() override { *gLog << "dialog prepareToClose"; }

private:
    Page findPage(MCViewController *page) const
    {
        for (const auto &p : controllers())
            if (p.get() == page)
                return p;
        return nullptr;
    }
};

struct WizardFixture {
    QStringList log;
    QWidget host;
    RecordingWizard wizard;
    std::optional<int> result;
    WizardFixture(bool bottoms = true)
    {
        gLog = &log;
        wizard.setControllers({std::make_shared<TestPage>("p0", bottoms), std::make_shared<TestPage>("p1", false),
                               std::make_shared<TestPage>("p2", bottoms)});
        host.resize(700, 500);
        host.show();
        wizard.beginSheetModalForWindow(&host, [this](int code) { result = code; });
    }
    ~WizardFixture() { gLog = nullptr; }
    int current() const
    {
        for (qsizetype i = 0; i < wizard.controllers().size(); ++i)
            if (wizard.controllers()[i].get() == wizard.currentController())
                return int(i);
        return -1;
    }
    QList<QWidget *> strip() const
    {
        return wizard.bottomContainerView()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    }
};

} // namespace

TEST(WizardDialog, NextWalksThePagesAndTheLastFinishesWith1000)
{
    WizardFixture f;
    EXPECT_EQ(f.log, QStringList({"willBeShown 0", "p0 prepareToShow"}));
    EXPECT_EQ(f.current(), 0);
    ASSERT_EQ(f.strip().size(), 1);
    EXPECT_EQ(f.strip().first()->objectName(), "p0 strip");
    EXPECT_FALSE(f.wizard.backButton()->isEnabled());

    f.log.clear();
    f.wizard.okButton()->click();
    EXPECT_EQ(f.log, QStringList({"p0 prepareToClose", "willBeShown 1", "p1 prepareToShow"}));
    EXPECT_EQ(f.current(), 1);
    EXPECT_TRUE(f.strip().isEmpty()) << "a page without a strip leaves the bottom empty";
    EXPECT_TRUE(f.wizard.backButton()->isEnabled());

    f.wizard.okButton()->click();
    EXPECT_EQ(f.current(), 2);
    ASSERT_EQ(f.strip().size(), 1);
    EXPECT_EQ(f.strip().first()->objectName(), "p2 strip");
    EXPECT_FALSE(f.result);

    f.log.clear();
    f.wizard.okButton()->click();
    EXPECT_EQ(f.log, QStringList({"p2 prepareToClose", "default", "dialog prepareToClose"}));
    EXPECT_EQ(f.result, 1000);
    EXPECT_TRUE(f.strip().isEmpty());
}

TEST(WizardDialog, BackReturnsAndTheFirstPageStays)
{
    WizardFixture f;
    f.wizard.okButton()->click();
    f.wizard.navigationController()->finishTransition();
    f.log.clear();
    f.wizard.backButton()->click();
    EXPECT_EQ(f.log, QStringList({"p1 prepareToClose", "willBeShown 0", "p0 prepareToShow"}));
    EXPECT_EQ(f.current(), 0);
    ASSERT_EQ(f.strip().size(), 1);
    EXPECT_EQ(f.strip().first()->objectName(), "p0 strip");

    f.log.clear();
    f.wizard.backButtonClick(); // on the first page: nowhere to go
    EXPECT_TRUE(f.log.isEmpty());
    EXPECT_EQ(f.current(), 0);
    EXPECT_EQ(f.strip().size(), 1);
    EXPECT_TRUE(f.wizard.isShown());
}

TEST(WizardDialog, CancelAndSecondAlternateLeaveFromAnyPage)
{
    {
        WizardFixture f;
        f.wizard.okButton()->click();
        f.log.clear();
        f.wizard.cancelButton()->click();
        EXPECT_EQ(f.log, QStringList({"p1 prepareToClose", "alternate", "dialog prepareToClose"}));
        EXPECT_EQ(f.result, 1001);
    }
    {
        WizardFixture f;
        f.log.clear();
        f.wizard.secondAlternateButtonClick();
        EXPECT_EQ(f.log, QStringList({"p0 prepareToClose", "other", "dialog prepareToClose"}));
        EXPECT_EQ(f.result, 1002);
        EXPECT_TRUE(f.strip().isEmpty());
    }
}

TEST(WizardDialog, PagesThatAreNotWizardPagesAndAnEmptyList)
{
    QStringList log;
    gLog = &log;
    QWidget host;
    host.show();
    {
        RecordingWizard wizard;
        std::optional<int> result;
        wizard.beginSheetModalForWindow(&host, [&](int code) { result = code; });
        EXPECT_EQ(wizard.currentController(), nullptr);
        wizard.okButton()->click();
        EXPECT_EQ(result, 1000) << "with no page Next finishes";
    }
    {
        RecordingWizard wizard;
        wizard.setControllers({std::make_shared<MCViewController>(), std::make_shared<TestPage>("p1", true)});
        wizard.beginSheetModalForWindow(&host);
        wizard.okButton()->click();
        EXPECT_EQ(MCWizardDialog::bottomViewForPage(wizard.controllers()[0].get()), nullptr);
        EXPECT_EQ(wizard.currentController(), wizard.controllers()[1].get());
    }
    gLog = nullptr;
}
