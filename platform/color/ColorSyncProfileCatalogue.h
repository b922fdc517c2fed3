#pragma once

// The ICC profiles installed on the machine, as the profile pop-ups of the colour-profile
// stages list them: every readable profile below the system's colour folders
// (/usr/share/color/icc, /usr/local/share/color/icc, colord's /var/lib/colord/icc, the user's
// ~/.local/share/icc and ~/.color/icc) and the profiles we ship ("ColorProfiles" in the
// resources), each with its description, data colour space and class as lcms2 reads them.
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// Four-character signatures of the ICC header (data colour space and profile class).
enum ColorSyncSignature : uint32_t {
    kColorSyncSigGrayData = 0x47524159,      // 'GRAY'
    kColorSyncSigRgbData = 0x52474220,       // 'RGB '
    kColorSyncSigCmykData = 0x434D594B,      // 'CMYK'
    kColorSyncSigLabData = 0x4C616220,       // 'Lab '
    kColorSyncSigInputClass = 0x73636E72,    // 'scnr'
    kColorSyncSigDisplayClass = 0x6D6E7472,  // 'mntr'
    kColorSyncSigOutputClass = 0x70727472,   // 'prtr'
    kColorSyncSigAbstractClass = 0x61627374, // 'abst'
    kColorSyncSigLinkClass = 0x6C696E6B,     // 'link'
    kColorSyncSigColorSpaceClass = 0x73706163, // 'spac'
    kColorSyncSigNamedColorClass = 0x6E6D636C, // 'nmcl'
};

// What the catalogue knows of one profile.
struct ColorSyncProfileInfo
{
    QString url;             // absolute path of the file (its canonical form)
    QString description;     // the profile's English description; may be empty
    uint32_t colorSpace = 0; // data colour space signature
    uint32_t profileClass = 0;
};

// Reads the description, colour space and class of one profile file; nothing when the file
// cannot be read or is no ICC profile.
std::optional<ColorSyncProfileInfo> ColorSyncProfileCopyInfo(const QString &path);

class ColorSyncProfileCatalogue
{
public:
    // The shared catalogue of the installed profiles, built on the first call (under a lock,
    // so concurrent first calls build it once) and kept for the rest of the process. nullptr
    // while no profile at all is found; the next call then looks again.
    static std::shared_ptr<const ColorSyncProfileCatalogue> installed();

    // The folders installed() scans: the system's colour folders (or those set below) and our
    // own "ColorProfiles" resource folder. Missing folders are fine.
    static QStringList searchFolders();
    // For tests: scan `folders` instead of the system's colour folders (our resource folder
    // stays); std::nullopt goes back to the system's. Drops the shared catalogue, so the next
    // installed() builds it again. Not for use while other threads read the catalogue.
    static void setSystemFolders(const std::optional<QStringList> &folders);

    // A catalogue of the profiles (.icc and .icm files, case-insensitively) below `folders`,
    // sub-folders included; a file reached twice (through a link) is listed once.
    static ColorSyncProfileCatalogue build(const QStringList &folders);

    bool isEmpty() const { return m_sorted.empty(); }
    // Every profile, sorted by description without regard to case (an empty description first,
    // equal descriptions by path, so the order is the same on every run).
    const std::vector<ColorSyncProfileInfo> &sortedProfiles() const { return m_sorted; }
    // The profile of a path; nullptr when it is not in the catalogue.
    const ColorSyncProfileInfo *profileForURL(const QString &url) const;

private:
    std::vector<ColorSyncProfileInfo> m_sorted;
    QHash<QString, qsizetype> m_indexByURL;
};
