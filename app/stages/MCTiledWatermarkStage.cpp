#include "app/stages/MCTiledWatermarkStage.h"

const QString MCTiledWatermarkStage::kHasShadowKey = QStringLiteral("hasShadow");
const QString MCTiledWatermarkStage::kShadowColorKey = QStringLiteral("shadowColor");
const QString MCTiledWatermarkStage::kShadowBlurKey = QStringLiteral("shadowBlur");
const QString MCTiledWatermarkStage::kShadowDistanceKey = QStringLiteral("shadowDistance");
const QString MCTiledWatermarkStage::kShadowAngleKey = QStringLiteral("shadowAngle");
const QString MCTiledWatermarkStage::kOpacityKey = QStringLiteral("opacity");
const QString MCTiledWatermarkStage::kTilesKey = QStringLiteral("tiles");
const QString MCTiledWatermarkStage::kTileOffsetXCalculatesInPercentKey = QStringLiteral("tileOffsetXCalculatesInPercent");
const QString MCTiledWatermarkStage::kTileOffsetXInPercentKey = QStringLiteral("tileOffsetXInPercent");
const QString MCTiledWatermarkStage::kTileOffsetXInPixelsKey = QStringLiteral("tileOffsetXInPixels");
const QString MCTiledWatermarkStage::kTileOffsetYCalculatesInPercentKey = QStringLiteral("tileOffsetYCalculatesInPercent");
const QString MCTiledWatermarkStage::kTileOffsetYInPercentKey = QStringLiteral("tileOffsetYInPercent");
const QString MCTiledWatermarkStage::kTileOffsetYInPixelsKey = QStringLiteral("tileOffsetYInPixels");
const QString MCTiledWatermarkStage::kCollapsedPositionGroupKey = QStringLiteral("collapsedPositionGroup");
const QString MCTiledWatermarkStage::kCollapsedOpacityGroupKey = QStringLiteral("collapsedOpacityGroup");
const QString MCTiledWatermarkStage::kCollapsedShadowGroupKey = QStringLiteral("collapsedShadowGroup");
const QString MCTiledWatermarkStage::kCollapsedTileGroupKey = QStringLiteral("collapsedTileGroup");
