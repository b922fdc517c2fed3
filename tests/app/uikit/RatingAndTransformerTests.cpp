#include "app/uikit/MCControlTransformers.h"
#include "app/uikit/MCRatingMatrix.h"
#include "halvard/system/MCDataExtensions.h"
#include "tests/app/uikit/UIKitTestSupport.h"

#include <QColor>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

TEST(MCRatingMatrix, ColumnForXCountsTheFirstFourPixelsAsTheCellBefore)
{
    const struct {
        double x;
        qint64 rating;
    } cases[] = {{3, 0}, {4, 0}, {4.5, 1}, {10, 1}, {16, 1}, {18, 1}, {20, 1}, {21, 2}, {79, 5}, {100, 5}, {-7, 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.x);
        EXPECT_EQ(MCRatingMatrixColumnForX(c.x, 16, 0, 5) + 1, c.rating);
    }
    // Spacing moves the cells' left edges but not the choice of the cell.
    EXPECT_EQ(MCRatingMatrixColumnForX(21, 16, 2, 5), 0); // cell 1 starts at 18: 21 is within its first 4
    EXPECT_EQ(MCRatingMatrixColumnForX(5, 16, 0, 0), -1); // no columns
    EXPECT_EQ(MCRatingMatrixColumnForX(5, 0, 0, 5), -1);  // no width
}

TEST(MCRatingMatrix, PressAndDragLightTheStarsUnderThePointerAndSendOneAction)
{
    MCRatingMatrix matrix;
    matrix.resize(matrix.sizeHint());
    EXPECT_EQ(matrix.sizeHint(), QSize(80, 16));
    QSignalSpy ratings(&matrix, &MCRatingMatrix::ratingChanged);
    QSignalSpy actions(&matrix, &MCRatingMatrix::activated);
    QTest::mousePress(&matrix, Qt::LeftButton, {}, QPoint(10, 8));
    EXPECT_EQ(matrix.rating(), 1);
    QMouseEvent drag(QEvent::MouseMove, QPointF(60, 8), matrix.mapToGlobal(QPointF(60, 8)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&matrix, &drag);
    EXPECT_EQ(matrix.rating(), 4);
    EXPECT_EQ(actions.count(), 0);
    QTest::mouseRelease(&matrix, Qt::LeftButton, {}, QPoint(3, 8)); // released at the very left: cleared
    EXPECT_EQ(matrix.rating(), 0);
    EXPECT_EQ(actions.count(), 1);
    EXPECT_EQ(ratings.count(), 3);

    matrix.setEnabled(false);
    QTest::mouseClick(&matrix, Qt::LeftButton, {}, QPoint(60, 8));
    EXPECT_EQ(matrix.rating(), 0);
    EXPECT_EQ(actions.count(), 1);
}

TEST(MCRatingMatrix, SettingTheSameRatingChangesNothingAndTooHighLightsAll)
{
    MCRatingMatrix matrix;
    QSignalSpy ratings(&matrix, &MCRatingMatrix::ratingChanged);
    matrix.setRating(3);
    matrix.setRating(3);
    EXPECT_EQ(ratings.count(), 1);
    EXPECT_TRUE(matrix.isCellOn(2));
    EXPECT_FALSE(matrix.isCellOn(3));
    matrix.setRating(9); // beyond the five columns: every star lit, nothing out of range
    for (qint64 column = 0; column < 5; ++column)
        EXPECT_TRUE(matrix.isCellOn(column));
    matrix.resize(matrix.sizeHint());
    EXPECT_FALSE(matrix.grab().isNull());
    // The keyboard steps from what is shown.
    QTest::keyClick(&matrix, Qt::Key_Left);
    EXPECT_EQ(matrix.rating(), 4);
    matrix.setRating(-2);
    EXPECT_FALSE(matrix.isCellOn(0));
    QTest::keyClick(&matrix, Qt::Key_Right);
    EXPECT_EQ(matrix.rating(), 1);
}

TEST(MCControlTransformers, PercentagesRoundHalfAwayFromZero)
{
    const auto text = MCPercentStringTransformer::sharedInstance();
    EXPECT_FALSE(text->allowsReverseTransformation());
    const struct {
        QVariant in;
        QString out;
    } strings[] = {{0.125, "13%"}, {-0.004, "0%"}, {QStringLiteral("0.5"), "50%"}, {0.5, "50%"},
                   {-0.125, "-13%"}, {QVariant(), "0%"}, {QStringLiteral("abc"), "0%"}, {QStringLiteral("0.25 of it"), "25%"}};
    for (const auto &c : strings) {
        SCOPED_TRACE(c.in.toString().toStdString());
        EXPECT_EQ(text->transformedValue(c.in).toString(), c.out);
    }

    const auto number = MCPercentNumberTransformer::sharedInstance();
    EXPECT_TRUE(number->allowsReverseTransformation());
    EXPECT_EQ(number->transformedValue(1.0).toString(), QStringLiteral("100"));
    EXPECT_EQ(number->transformedValue(0.255).toString(), QStringLiteral("26"));
    EXPECT_EQ(number->transformedValue(QVariant()).toString(), QStringLiteral("0"));
    const struct {
        QVariant in;
        double out;
    } reverse[] = {{51, 0.51}, {12.9, 0.12}, {QStringLiteral("51"), 0.51}, {-5, 0.0}, {-0.5, 0.0}, {QVariant(), 0.0}};
    for (const auto &c : reverse) {
        SCOPED_TRACE(c.in.toString().toStdString());
        const QVariant out = number->reverseTransformedValue(c.in);
        EXPECT_EQ(out.typeId(), QMetaType::Double);
        EXPECT_DOUBLE_EQ(out.toDouble(), c.out);
    }
}

TEST(MCControlTransformers, SliderValuesRoundTheSameBothWays)
{
    const auto digital = MCDigitalSliderTransformer::sharedInstance();
    const auto fraction = MCFractionSliderTransformer::sharedInstance();
    EXPECT_EQ(digital, MCDigitalSliderTransformer::sharedInstance());
    const struct {
        double in;
        qint64 whole;
        double hundredths;
    } cases[] = {{2.5, 3, 2.5}, {-2.5, -3, -2.5}, {0.125, 0, 0.13}, {-0.125, 0, -0.13}, {1.994, 2, 1.99}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.in);
        for (const QVariant &out : {digital->transformedValue(c.in), digital->reverseTransformedValue(c.in)}) {
            EXPECT_EQ(out.typeId(), QMetaType::LongLong);
            EXPECT_EQ(out.toLongLong(), c.whole);
        }
        for (const QVariant &out : {fraction->transformedValue(c.in), fraction->reverseTransformedValue(c.in)}) {
            EXPECT_EQ(out.typeId(), QMetaType::Double);
            EXPECT_DOUBLE_EQ(out.toDouble(), c.hundredths);
        }
    }
    EXPECT_EQ(digital->transformedValue(QVariant()).toLongLong(), 0);
    EXPECT_EQ(digital->transformedValue(1e300).toLongLong(), std::numeric_limits<qint64>::max());
    EXPECT_DOUBLE_EQ(fraction->transformedValue(1e307).toDouble(), 1e307);
}

TEST(MCControlTransformers, ColourDataRoundTripsAndDamagedDataReadsAsNone)
{
    const auto colors = MCColorToDataTransformer::sharedInstance();
    const QColor orange = QColor::fromRgbF(1.0f, 0.5f, 0.25f, 0.75f);
    const QVariant data = colors->reverseTransformedValue(orange);
    ASSERT_EQ(data.typeId(), QMetaType::QByteArray);
    EXPECT_EQ(colors->transformedValue(data).value<QColor>(), orange);
    EXPECT_FALSE(colors->transformedValue(QVariant()).isValid());
    EXPECT_FALSE(colors->reverseTransformedValue(QVariant()).isValid());
    EXPECT_FALSE(colors->reverseTransformedValue(QColor()).isValid());
    QByteArray truncated = data.toByteArray();
    truncated.chop(3);
    const QVariant damaged[] = {truncated, QByteArray("not an archive"), QByteArray(),
                                MCKeyedArchiver::archivedRootObject(42), QStringLiteral("#ff0000")};
    for (const QVariant &stored : damaged)
        EXPECT_FALSE(colors->transformedValue(stored).isValid());
}
