#include "app/browser/MCSearchPanelController.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct PanelDelegate : MCSearchPanelDelegate {
    int changes = 0, closes = 0;
    void searchControllerDidChangePredicate(MCSearchPanelController *) override { ++changes; }
    void searchControllerShouldBeClosed(MCSearchPanelController *) override { ++closes; }
};

// Points the row's left pop-up at the key titled `title`.
void chooseLeft(MCPredicateEditorRow *row, const QString &title)
{
    const int index = row->leftPopUp()->findText(title);
    ASSERT_GE(index, 0) << title.toStdString();
    row->leftPopUp()->setCurrentIndex(index);
}

void chooseData(QWidget *popup, const QVariant &data)
{
    auto *combo = qobject_cast<QComboBox *>(popup);
    ASSERT_NE(combo, nullptr);
    const int index = combo->findData(data);
    ASSERT_GE(index, 0);
    combo->setCurrentIndex(index);
}

class SearchPanelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        panel.view()->resize(700, 25);
        panel.setDelegate(&delegate);
    }
    void TearDown() override { MCDatePredicateEditorRowTemplate::setCurrentDateForTesting({}); }

    MCSearchPanelController panel;
    PanelDelegate delegate;
};

} // namespace

TEST_F(SearchPanelTest, HeightFollowsTheRowsAndTheLastRowClosesThePanel)
{
    MCPredicateEditor *editor = panel.predicateEditor();
    MCPredicateEditorRow *first = editor->addRow();
    EXPECT_EQ(panel.view()->height(), 25);
    editor->addRow(first);
    editor->addRow();
    EXPECT_EQ(editor->numberOfRows(), 3);
    EXPECT_EQ(panel.preferredHeight(), 75.0);
    EXPECT_EQ(panel.view()->height(), 75);
    EXPECT_EQ(delegate.changes, 3);

    // The + button adds after its row, the - button removes its row.
    editor->rowAtIndex(0)->addButton()->click();
    EXPECT_EQ(editor->numberOfRows(), 4);
    while (editor->numberOfRows() > 1)
        editor->rowAtIndex(0)->removeButton()->click();
    const int changesBefore = delegate.changes;
    editor->rowAtIndex(0)->removeButton()->click();
    EXPECT_EQ(delegate.closes, 1);
    EXPECT_EQ(delegate.changes, changesBefore); // the last removal is not a change
    EXPECT_EQ(panel.view()->height(), 0);
    // Nothing is reported any more.
    editor->addRow();
    EXPECT_EQ(delegate.changes, changesBefore);
    EXPECT_EQ(delegate.closes, 1);
}

TEST_F(SearchPanelTest, RowsBuildTheirPredicates)
{
    MCDatePredicateEditorRowTemplate::setCurrentDateForTesting(QDateTime(QDate(2026, 3, 11), QTime(15, 0)));
    MCPredicateEditor *editor = panel.predicateEditor();
    MCPredicateEditorRow *row = editor->addRow();
    // A new row: capture date within the last ... with nothing typed matches everything.
    EXPECT_EQ(row->leftKeyPath(), QStringLiteral("filteredCaptureDate"));
    EXPECT_EQ(editor->predicate()->kind(), MCFilterPredicate::Kind::True);

    auto *last = qobject_cast<MCDateRowLastView *>(row->templateViews().value(0));
    ASSERT_NE(last, nullptr);
    EXPECT_TRUE(last->timeIntervalTextField()->isVisibleTo(last));
    last->timeIntervalTextField()->setText(QStringLiteral("2"));
    chooseData(last->timeIntervalPopUp(), 1); // weeks
    const MCFilterPredicatePtr weeks = editor->predicate();
    ASSERT_EQ(weeks->kind(), MCFilterPredicate::Kind::And);
    EXPECT_EQ(weeks->subpredicates()[0]->constant().toDateTime(), QDateTime(QDate(2026, 2, 25), QTime(0, 0)));
    EXPECT_EQ(weeks->subpredicates()[1]->constant().toDateTime(), QDateTime(QDate(2026, 3, 18), QTime(0, 0)));

    // "Before the chosen day" shows the day pop-up instead; the same day again changes nothing.
    chooseData(row->valueView(), 2);
    EXPECT_FALSE(last->timeIntervalTextField()->isVisibleTo(last));
    EXPECT_TRUE(last->datePickerPopup()->isVisibleTo(last));
    QSignalSpy changed(editor, &MCPredicateEditor::predicateEditorChanged);
    last->datePickerPopup()->datePickerChanged(last->datePickerPopup()->date());
    EXPECT_EQ(changed.count(), 0);
    last->datePickerPopup()->datePickerChanged(QDate(2026, 2, 20));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(editor->predicate()->operatorType(), unsigned(MCLessThanPredicateOperatorType));
    EXPECT_EQ(editor->predicate()->constant().toDateTime(), QDateTime(QDate(2026, 2, 20), QTime(0, 0)));

    // The same row turned into a size row: 1.5 MB.
    chooseLeft(row, QStringLiteral("File Size"));
    ASSERT_EQ(row->templateViews().size(), 1);
    qobject_cast<QLineEdit *>(row->valueView())->setText(QStringLiteral("1.5"));
    chooseData(row->templateViews().first(), 2);
    chooseData(row->operatorPopUp(), unsigned(MCGreaterThanPredicateOperatorType));
    EXPECT_EQ(editor->predicate()->key(), QStringLiteral("filteredFileSize"));
    EXPECT_DOUBLE_EQ(editor->predicate()->constant().toDouble(), 1.5e6);

    // A second row: file type is not JPEG or RAW; the rows are joined by AND.
    MCPredicateEditorRow *type = editor->addRow();
    chooseLeft(type, QStringLiteral("File Type"));
    chooseData(type->valueView(), 2);
    chooseData(type->operatorPopUp(), unsigned(MCNotEqualToPredicateOperatorType));
    const MCFilterPredicatePtr both = editor->predicate();
    ASSERT_EQ(both->subpredicates().size(), 2);
    EXPECT_EQ(both->subpredicates()[1]->kind(), MCFilterPredicate::Kind::And);
    const QVariantMap png = {{QStringLiteral("filteredFileSize"), quint64(2000000)},
                             {QStringLiteral("filteredIsJPEGFile"), false},
                             {QStringLiteral("filteredIsRAWFile"), false}};
    EXPECT_TRUE(both->evaluateWithValues([&png](const QString &key) { return png.value(key); }));
}
