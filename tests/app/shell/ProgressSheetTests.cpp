// The progress sheet of a file operation, driven by real operations whose items are let through
// one at a time.
#include "app/library/MCFile.h"
#include "app/shell/MCFileOperationProgressWindowController.h"
#include "tests/support/TestSupport.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QSemaphore>

#include <gtest/gtest.h>

#include <optional>

namespace {

// An operation in place whose items each wait for a permit (none needed when `gated` is false).
class SteppedOperation : public MCFileOperation
{
public:
    explicit SteppedOperation(bool gated) : m_gated(gated) {}
    QSemaphore permits;

    void release(int items = 1) { permits.release(items); }

protected:
    bool hasDestinations() const override { return false; }
    bool processItem(MCFileOperationContext &, qsizetype, QString &, MCError *) override
    {
        if (m_gated)
            permits.acquire();
        return true;
    }

private:
    bool m_gated;
};

struct Run {
    std::shared_ptr<SteppedOperation> operation;
    std::optional<bool> cancelled;
    qsizetype processed = -1;
};

// An operation over `count` photos under /photos/shoot, reporting every item.
std::shared_ptr<Run> makeRun(int count, bool gated)
{
    auto run = std::make_shared<Run>();
    run->operation = std::make_shared<SteppedOperation>(gated);
    MCFileList files;
    for (int i = 0; i < count; ++i) {
        auto file = MCFile::fileWithID(quint64(1000 + i));
        file->setFilePath(QStringLiteral("/photos/shoot/IMG_%1.jpg").arg(i + 1));
        file->setFileName(QStringLiteral("IMG_%1.jpg").arg(i + 1));
        files << file;
    }
    run->operation->setAllItems(files);
    run->operation->setProgressTimeInterval(0);
    std::weak_ptr<Run> weak = run;
    run->operation->setCompletionHandler(
        [weak](MCFileOperation &, bool cancelled, const MCFileList &processed, const std::optional<QStringList> &) {
            if (auto r = weak.lock()) {
                r->cancelled = cancelled;
                r->processed = processed.size();
            }
        });
    return run;
}

struct SheetFixture {
    QWidget host;
    MCFileOperationProgressWindowController sheet;
    MCOperationQueue queue;
    SheetFixture()
    {
        host.resize(800, 600);
        host.show();
        queue.setMaxConcurrentOperationCount(1);
    }
    ~SheetFixture()
    {
        queue.cancelAllOperations();
        for (const auto &operation : queue.operations())
            if (auto stepped = std::dynamic_pointer_cast<SteppedOperation>(operation))
                stepped->release(1000);
        queue.waitUntilAllOperationsAreFinished();
    }
    void start(const std::shared_ptr<Run> &run, const QString &stage = QStringLiteral("Copying files"))
    {
        sheet.stageLabel()->setText(stage);
        sheet.beginSheetForHostWindow(&host, run->operation);
        queue.addOperation(run->operation);
    }
    bool barAt(int value)
    {
        return testsupport::processEventsUntil([&] { return sheet.progressIndicator()->value() == value; });
    }
};

} // namespace

TEST(ProgressSheet, OneFileShowsMaximumOneAndClosesWhenDone)
{
    SheetFixture f;
    auto run = makeRun(1, true);
    f.start(run);
    ASSERT_TRUE(f.sheet.isSheet());
    EXPECT_EQ(f.sheet.sheetParent(), &f.host);
    EXPECT_EQ(f.sheet.window()->windowModality(), Qt::WindowModal);
    EXPECT_EQ(f.sheet.progressIndicator()->minimum(), 0);
    EXPECT_EQ(f.sheet.progressIndicator()->maximum(), 1);
    EXPECT_EQ(f.sheet.progressIndicator()->value(), 0);
    EXPECT_EQ(f.sheet.stageLabel()->text(), "Copying files");
    EXPECT_EQ(f.sheet.fileOperation(), run->operation);
    EXPECT_EQ(run->operation->delegate(), &f.sheet);

    // The file's name (not its path) appears while it is worked on.
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return !f.sheet.fileLabel()->text().isEmpty(); }));
    EXPECT_EQ(f.sheet.fileLabel()->text(), "IMG_1.jpg");
    EXPECT_EQ(f.sheet.targetProgress(), 1.0);
    EXPECT_TRUE(f.barAt(1)) << "the bar glides to the item count";

    run->operation->release();
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return !f.sheet.isShown(); }));
    EXPECT_EQ(run->cancelled, false);
    EXPECT_EQ(run->processed, 1);
    EXPECT_EQ(f.sheet.fileOperation(), nullptr);
    EXPECT_EQ(run->operation->delegate(), nullptr);
    EXPECT_FALSE(f.sheet.window()->isVisible());
}

TEST(ProgressSheet, StopDuringTheThirdOfTenClosesAtOnceAndTheOperationReportsCancellation)
{
    SheetFixture f;
    auto run = makeRun(10, true);
    f.start(run);
    run->operation->release(2);
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return f.sheet.fileLabel()->text() == "IMG_3.jpg"; }));
    EXPECT_EQ(f.sheet.targetProgress(), 3.0);

    f.sheet.stopButton()->click();
    EXPECT_FALSE(f.sheet.isShown()) << "the sheet closes before the item ends";
    EXPECT_FALSE(f.sheet.window()->isVisible());
    EXPECT_TRUE(run->operation->isCancelled());
    EXPECT_EQ(run->operation->delegate(), nullptr);
    EXPECT_FALSE(run->cancelled) << "the current item is still being worked on";

    run->operation->release(); // the third item ends
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return run->cancelled.has_value(); }));
    EXPECT_EQ(run->cancelled, true);
    EXPECT_EQ(run->processed, 3);
    EXPECT_FALSE(f.sheet.isShown());
}

TEST(ProgressSheet, EscapeStopsToo)
{
    SheetFixture f;
    auto run = makeRun(4, true);
    f.start(run);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(f.sheet.window(), &escape);
    EXPECT_FALSE(f.sheet.isShown());
    EXPECT_TRUE(run->operation->isCancelled());
    run->operation->release(4);
}

TEST(ProgressSheet, TheNextOperationReusesTheSheetFromZero)
{
    SheetFixture f;
    auto first = makeRun(3, false);
    f.start(first);
    QDialog *window = f.sheet.window();
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return first->cancelled.has_value() && !f.sheet.isShown(); }));
    EXPECT_EQ(f.sheet.fileLabel()->text(), "IMG_3.jpg");

    auto second = makeRun(5, true);
    f.start(second, QStringLiteral("Moving files"));
    EXPECT_TRUE(f.sheet.isSheet());
    EXPECT_EQ(f.sheet.window(), window);
    EXPECT_EQ(f.sheet.progressIndicator()->maximum(), 5);
    EXPECT_EQ(f.sheet.progressIndicator()->value(), 0);
    EXPECT_EQ(f.sheet.targetProgress(), 0.0);
    EXPECT_TRUE(f.sheet.fileLabel()->text().isEmpty());
    EXPECT_EQ(f.sheet.stageLabel()->text(), "Moving files");
    second->operation->release(5);
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return second->cancelled.has_value() && !f.sheet.isShown(); }));
    EXPECT_EQ(second->cancelled, false);
}

TEST(ProgressSheet, NothingToDoShowsNothingAndOtherOperationsAreIgnored)
{
    SheetFixture f;
    auto empty = makeRun(0, false);
    f.sheet.beginSheetForHostWindow(&f.host, empty->operation);
    EXPECT_FALSE(f.sheet.isShown());
    EXPECT_EQ(f.sheet.fileOperation(), nullptr);
    EXPECT_EQ(empty->operation->delegate(), nullptr);

    auto shown = makeRun(2, true);
    f.start(shown);
    auto other = makeRun(2, true);
    auto stranger = MCFile::fileWithID(9);
    stranger->setFilePath("/elsewhere/other.jpg");
    f.sheet.fileOperationWillProcessFile(*other->operation, stranger);
    EXPECT_TRUE(f.sheet.fileLabel()->text().isEmpty());
    f.sheet.fileOperationWillProcessFile(*shown->operation, nullptr);
    EXPECT_TRUE(f.sheet.fileLabel()->text().isEmpty());
    f.sheet.fileOperationDidFinish(*other->operation);
    EXPECT_TRUE(f.sheet.isShown());
    shown->operation->release(2);
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return !f.sheet.isShown(); }));
}

TEST(ProgressSheet, ACompletionThatClosesTheSheetFirstLeavesTheFinishNothingToDo)
{
    SheetFixture f;
    auto run = makeRun(1, false);
    int handlers = 0;
    run->operation->setCompletionHandler([&](MCFileOperation &, bool, const MCFileList &, const std::optional<QStringList> &) {
        // A message is about to be shown: the sheet goes first.
        EXPECT_TRUE(f.sheet.isShown());
        f.sheet.defaultButtonClick();
        ++handlers;
    });
    f.start(run);
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return handlers == 1; }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.sheet.isShown());
}

TEST(ProgressSheet, ReleasingTheControllerCancelsTheOperationShown)
{
    QWidget host;
    host.show();
    auto run = makeRun(3, true);
    MCOperationQueue queue;
    {
        MCFileOperationProgressWindowController sheet;
        sheet.beginSheetForHostWindow(&host, run->operation);
        queue.addOperation(run->operation);
    }
    EXPECT_TRUE(run->operation->isCancelled());
    EXPECT_EQ(run->operation->delegate(), nullptr);
    run->operation->release(3);
    ASSERT_TRUE(testsupport::processEventsUntil([&] { return run->cancelled.has_value(); }));
    EXPECT_EQ(run->cancelled, true);
    queue.waitUntilAllOperationsAreFinished();
}
