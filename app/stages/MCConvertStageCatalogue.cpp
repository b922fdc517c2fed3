// The stage catalogue: every stage ID with its class, English name, run order, uniqueness and
// resettability, and the factory built on it. A stage class that is written adds its header
// below and its creator to its row; rows without a creator make no stage yet.
#include "app/engine/pipeline/MCConvertStage.h"

#include "app/stages/MCConvertAlpha.h"
#include "app/stages/MCConvertBorder.h"
#include "app/stages/MCConvertCaptureDate.h"
#include "app/stages/MCConvertColor.h"
#include "app/stages/MCConvertColorProfile.h"
#include "app/stages/MCConvertCrop.h"
#include "app/stages/MCConvertCurves.h"
#include "app/stages/MCConvertGamma.h"
#include "app/stages/MCConvertKeywords.h"
#include "app/stages/MCConvertOwnerInfo.h"
#include "app/stages/MCConvertResolution.h"
#include "app/stages/MCConvertRotate.h"
#include "app/stages/MCConvertScale.h"
#include "app/stages/MCConvertSharpness.h"
#include "app/stages/MCConvertTone.h"
#include "app/stages/MCConvertTrim.h"
#include "app/stages/MCConvertWatermarkImage.h"
#include "app/stages/MCConvertWatermarkRect.h"
#include "app/stages/MCConvertWatermarkText.h"

#include <algorithm>

namespace {

template <typename Stage> std::shared_ptr<MCConvertStage> make()
{
    std::shared_ptr<MCConvertStage> stage = std::make_shared<Stage>();
    stage->parameterValues(); // the defaults are in place before the stage is shared
    return stage;
}

// ID, English name (its own string-table key), class, stageOrder, isUnique, isResettable, creator.
const std::vector<MCConvertStageClass> &catalogue()
{
    static const std::vector<MCConvertStageClass> table = {
        {-1, "<Unknown Stage>", "MCConvertStage", 0, false, false, &make<MCConvertStage>},
        {0, "Auto Contrast", "MCConvertAutoContrast", 0, false, true, &make<MCConvertAutoContrast>},
        {1, "Crop", "MCConvertCrop", 0, false, true, &make<MCConvertCrop>},
        {2, "Curves", "MCConvertCurves", 0, false, true, &make<MCConvertCurves>},
        {3, "Remove Private Tags", "MCConvertRemovePrivateTags", 0, false, false, &make<MCConvertRemovePrivateTags>},
        {5, "Scale", "MCConvertScale", 0, false, true, &make<MCConvertScale>},
        {6, "Trim", "MCConvertTrim", 0, false, true, &make<MCConvertTrim>},
        {7, "Change Resolution", "MCConvertResolution", 0, true, true, &make<MCConvertResolution>},
        {8, "Convert to Profile", "MCConvertColorProfile", 1, true, false, &make<MCConvertColorProfile>},
        {9, "Gamma", "MCConvertGamma", 0, false, true, &make<MCConvertGamma>},
        {10, "Exposure", "MCConvertExposure", 0, false, true, &make<MCConvertExposure>},
        {11, "Adjust HSV", "MCConvertHSV", 0, false, true, &make<MCConvertHSV>},
        {12, "Adjust HSL", "MCConvertHSL", 0, false, true, &make<MCConvertHSL>},
        {13, "Sharpness", "MCConvertSharpness", 0, false, true, &make<MCConvertSharpness>},
        {14, "Watermark Text", "MCConvertWatermarkText", 0, false, false, &make<MCConvertWatermarkText>},
        {15, "Watermark Image", "MCConvertWatermarkImage", 0, false, false, &make<MCConvertWatermarkImage>},
        {16, "Sepia", "MCConvertSepia", 0, false, true, &make<MCConvertSepia>},
        {17, "Auto White Balance", "MCConvertAWB", 0, false, true, &make<MCConvertAWB>},
        {18, "Temperature", "MCConvertTemperature", 0, false, true, &make<MCConvertTemperature>},
        {19, "Adjust RGB", "MCConvertRGB", 0, false, true, &make<MCConvertRGB>},
        {20, "Contrast", "MCConvertContrast", 0, false, true, &make<MCConvertContrast>},
        {21, "Colorize", "MCConvertColorize", 0, false, true, &make<MCConvertColorize>},
        {22, "Grayscale", "MCConvertGrayscale", 0, false, true, &make<MCConvertGrayscale>},
        {23, "Alpha Mask", "MCConvertAlphaMask", 0, false, false, &make<MCConvertAlphaMask>},
        {24, "Color to Alpha", "MCConvertColorToAlpha", 0, false, true, &make<MCConvertColorToAlpha>},
        {25, "Alpha to Color", "MCConvertAlphaToColor", 0, false, true, &make<MCConvertAlphaToColor>},
        {26, "Set Capture Date", "MCConvertSetCaptureDate", 0, false, true, &make<MCConvertSetCaptureDate>},
        {27, "Trim Color", "MCConvertTrimColor", 0, false, true, &make<MCConvertTrimColor>},
        {28, "Shift Capture Date", "MCConvertShiftCaptureDate", 0, false, true, &make<MCConvertShiftCaptureDate>},
        {29, "File Creation to Capture Date", "MCConvertSetCaptureDateFromCreated", 0, false, true,
         &make<MCConvertSetCaptureDateFromCreated>},
        {30, "Add Keywords", "MCConvertAddKeyword", 0, false, false, &make<MCConvertAddKeyword>},
        {31, "Set Copyright and Owner", "MCConvertSetCopyrightAndOwner", 0, false, false,
         &make<MCConvertSetCopyrightAndOwner>},
        {32, "Set Rating", "MCConvertSetRating", 0, false, false, &make<MCConvertSetRating>},
        {33, "Rotate & Flip", "MCConvertRotate", 0, false, true, &make<MCConvertRotate>},
        {34, "Assign Profile", "MCConvertAssignProfile", 1, true, false, &make<MCConvertAssignProfile>},
        {35, "Proof with Profile", "MCConvertProofProfile", 0, false, false, &make<MCConvertProofProfile>},
        {36, "Add Borders", "MCConvertAddBorder", 0, false, true, &make<MCConvertAddBorder>},
        {37, "Watermark Rectangle", "MCConvertWatermarkRect", 0, false, false, &make<MCConvertWatermarkRect>},
        {38, "Blur", "MCConvertBlur", 0, false, true, &make<MCConvertBlur>},
        {39, "Levels", "MCConvertLevels", 0, false, true, &make<MCConvertLevels>},
        {40, "Find and Replace Keywords", "MCConvertReplaceKeyword", 0, false, false, &make<MCConvertReplaceKeyword>},
        {101, "Scale to Size", "MCConvertScaleToSize", 0, false, true, &make<MCConvertScaleToSize>},
        {201, "Vignette", "MCConvertVignette", 0, false, true, &make<MCConvertVignette>},
        {401, "Set GPS Location", "MCConvertSetGPS", 0, true, false, &make<MCConvertSetGPS>},
        {402, "Set IPTC Info", "MCConvertSetIPTCInfo", 0, false, false, &make<MCConvertSetIPTCInfo>},
    };
    return table;
}

} // namespace

const std::vector<MCConvertStageClass> &MCConvertStage::stageCatalogue() { return catalogue(); }

const MCConvertStageClass *MCConvertStage::stageClass(qint64 stageID)
{
    const std::vector<MCConvertStageClass> &table = catalogue();
    const auto found = std::lower_bound(table.begin(), table.end(), stageID,
                                        [](const MCConvertStageClass &entry, qint64 id) { return entry.stageID < id; });
    return found != table.end() && found->stageID == stageID ? &*found : nullptr;
}

std::shared_ptr<MCConvertStage> MCConvertStage::convertStageWithID(qint64 stageID)
{
    return convertStageWithID(stageID, nullptr);
}

std::shared_ptr<MCConvertStage> MCConvertStage::convertStageWithID(qint64 stageID, const QVariantMap *dictionary)
{
    const MCConvertStageClass *entry = stageClass(stageID);
    if (!entry || !entry->create)
        return nullptr;
    std::shared_ptr<MCConvertStage> stage = entry->create();
    if (dictionary)
        stage->initWithDictionary(*dictionary);
    return stage;
}

std::shared_ptr<MCConvertStage> MCConvertStage::stageWithDictionary(const QVariantMap &dictionary)
{
    const QVariant id = dictionary.value(kMCConvertStageIDKey);
    bool ok = false;
    qint64 stageID = id.toLongLong(&ok);
    if (!ok) {
        // A real number names the ID it truncates to; anything unreadable reads 0.
        const double real = id.toDouble(&ok);
        stageID = ok && real > -1e15 && real < 1e15 ? qint64(real) : 0;
    }
    return convertStageWithID(stageID, &dictionary);
}
