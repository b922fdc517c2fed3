#include "halvard/ui/MCViewGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

qreal alignToPixel(qreal value, qreal devicePixelRatio)
{
    return std::round(value * devicePixelRatio) / devicePixelRatio;
}

} // namespace

QRectF MCImageViewFitRect(const QRectF &bounds, bool drawsShadow)
{
    if (!drawsShadow)
        return bounds;
    // The shadow falls downwards: 5 below the image, 1 above it.
    return QRectF(bounds.x() + 3, bounds.y() + 1, bounds.width() - 6, bounds.height() - 6);
}

QRectF MCImageViewImageRect(const QRectF &fit, const QSizeF &imageSize, MCImageScaling scaling,
                            qreal devicePixelRatio)
{
    QRectF rect = fit;
    const bool hasImage = imageSize.width() > 0 && imageSize.height() > 0;
    auto proportional = [&] {
        const qreal aspect = imageSize.width() / imageSize.height();
        if (fit.width() < aspect * fit.height()) {
            const qreal height = fit.width() / aspect;
            return QRectF(fit.x(), fit.y() + (fit.height() - height) / 2, fit.width(), height);
        }
        const qreal width = fit.height() * aspect;
        return QRectF(fit.x() + (fit.width() - width) / 2, fit.y(), width, fit.height());
    };
    if (hasImage && scaling == MCImageScaling::ProportionallyUpOrDown) {
        rect = proportional();
    } else if (hasImage && scaling == MCImageScaling::ProportionallyDown) {
        if (imageSize.width() <= fit.width() && imageSize.height() <= fit.height())
            rect = QRectF(fit.x() + (fit.width() - imageSize.width()) / 2,
                          fit.y() + (fit.height() - imageSize.height()) / 2, imageSize.width(),
                          imageSize.height());
        else
            rect = proportional();
    }
    const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const qreal left = alignToPixel(rect.left(), ratio);
    const qreal top = alignToPixel(rect.top(), ratio);
    const qreal right = alignToPixel(rect.x() + rect.width(), ratio);
    const qreal bottom = alignToPixel(rect.y() + rect.height(), ratio);
    return QRectF(left, top, right - left, bottom - top);
}

MCHistogramGrid MCHistogramGridForSize(const QSizeF &size)
{
    MCHistogramGrid grid;
    const int columns = std::max(2, int(size.width() / 32));
    const int rows = std::max(2, int(size.height() / 32));
    for (int k = 1; k < columns; ++k)
        grid.verticalLines.append(std::ceil(size.width() / columns * k) - 0.5);
    // Rows are counted from the bottom, as a chart's axis is; y points down in the widget.
    for (int k = 1; k < rows; ++k)
        grid.horizontalLines.append(size.height() - (std::ceil(size.height() / rows * k) - 0.5));
    return grid;
}

QList<QRectF> MCNinePartSourceRects(const QSizeF &size, const QMarginsF &insets)
{
    const qreal centreWidth = std::max<qreal>(0, size.width() - insets.left() - insets.right());
    const qreal centreHeight = std::max<qreal>(0, size.height() - insets.top() - insets.bottom());
    const qreal xs[3] = {0, insets.left(), insets.left() + centreWidth};
    const qreal ws[3] = {insets.left(), centreWidth, insets.right()};
    const qreal ys[3] = {0, insets.top(), insets.top() + centreHeight};
    const qreal hs[3] = {insets.top(), centreHeight, insets.bottom()};
    QList<QRectF> rects;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            rects.append(QRectF(xs[column], ys[row], ws[column], hs[row]));
    return rects;
}

QList<QRectF> MCNinePartTargetRects(const QRectF &target, const QMarginsF &insets)
{
    qreal left = insets.left(), right = insets.right(), top = insets.top(), bottom = insets.bottom();
    if (left + right > target.width() && left + right > 0) {
        const qreal scale = target.width() / (left + right);
        left *= scale;
        right *= scale;
    }
    if (top + bottom > target.height() && top + bottom > 0) {
        const qreal scale = target.height() / (top + bottom);
        top *= scale;
        bottom *= scale;
    }
    const qreal centreWidth = target.width() - left - right;
    const qreal centreHeight = target.height() - top - bottom;
    const qreal xs[3] = {target.x(), target.x() + left, target.x() + left + centreWidth};
    const qreal ws[3] = {left, centreWidth, right};
    const qreal ys[3] = {target.y(), target.y() + top, target.y() + top + centreHeight};
    const qreal hs[3] = {top, centreHeight, bottom};
    QList<QRectF> rects;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            rects.append(QRectF(xs[column], ys[row], ws[column], hs[row]));
    return rects;
}
