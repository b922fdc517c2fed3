#include "tests/support/TestProfiles.h"

#include "platform/graphics/CGColorSpace.h"

#include <QFile>

#include <lcms2.h>

namespace testsupport {

bool writeProfile(const QString &path, const QString &spaceName, const QString &description, uint32_t profileClass)
{
    const CGColorSpaceRef space = CGColorSpace::createWithName(spaceName);
    if (!space)
        return false;
    const QByteArray data = space->iccData();
    cmsHPROFILE profile = cmsOpenProfileFromMem(data.constData(), cmsUInt32Number(data.size()));
    if (!profile)
        return false;
    cmsMLU *text = cmsMLUalloc(nullptr, 1);
    const std::wstring wide = description.toStdWString();
    bool ok = cmsMLUsetWide(text, "en", "US", wide.c_str()) && cmsWriteTag(profile, cmsSigProfileDescriptionTag, text);
    cmsMLUfree(text);
    if (profileClass != 0)
        cmsSetDeviceClass(profile, cmsProfileClassSignature(profileClass));
    ok = ok && cmsSaveProfileToFile(profile, QFile::encodeName(path).constData());
    cmsCloseProfile(profile);
    return ok;
}

} // namespace testsupport
