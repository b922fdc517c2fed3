#pragma once

// The places the user has granted the program, kept across runs in the user defaults, and
// the URL helpers they rest on (bookmarks, the common folder of several paths, containment).
//
// Linux has no application sandbox: the program reaches every file its user may reach, so a
// "bookmark" here is our own small serialised form of the path, its cleaned absolute path in
// UTF-8, and starting access needs nothing but the location still being there. The
// bookkeeping is kept all the same, so callers follow one road and the stored list keeps its
// form ("path" and "bookmark"). Folders that are not granted yet are asked for with an open
// panel through the prompt layer, so the list holds only folders the user chose.
#include "platform/core/MCError.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <mutex>

class MCUserDefaults;
class QWidget;
struct MCOpenPanelAnswer;
struct MCOpenPanelRequest;

// The user-defaults key of the stored list: an array of {"path": text, "bookmark": data}.
extern const QString kMCSecurityScopedURLsKey; // "HVSecurityScopedURLs"

namespace MCURLExtensions {

// The path a bookmark stands for; null for empty data or a bookmark that no longer resolves
// (not an absolute path, or nothing there), which is logged.
QString URLWithSecurityScopedBookmark(const QByteArray &bookmark);
// The path stored in a bookmark, without resolving it; null (and logged) when there is none.
QString URLPathFromSecurityScopedBookmark(const QByteArray &bookmark);
// A bookmark of an absolute path; empty, logged and *error filled for anything else.
QByteArray securityScopedBookmark(const QString &path, MCError *error = nullptr);

// The deepest folder holding all the paths: null for none, the path itself for one, null when
// they share nothing. Whole components are compared across every path, case-sensitively as
// Linux file systems name them: "/a/Photos" and "/a/photos" share "/a" only, and "/p/2020",
// "/p/2020-01/x" share "/p" (comparing only the smallest and greatest path in text order would
// wrongly answer "/p/2020", since '-' sorts before '/').
QString commonURLForURLs(const QStringList &paths);
// One common folder per file system among the paths; a path whose file system cannot be read
// (nothing there) is left out and logged.
QSet<QString> commonForVolumeURLs(const QStringList &paths);

// The same text, or two paths naming the same file (device and inode); false when either is
// empty.
bool isEqualFileURL(const QString &a, const QString &b);
// Whether `path` is `ancestor` or lies below it, after both are cleaned ("/a/./b" is "/a/b").
bool isDescendantOfURL(const QString &path, const QString &ancestor);

// The offered paths that lie in no granted folder (the same folder counts as inside), each
// once, in the order offered.
QStringList missingURLs(const QStringList &granted, const QStringList &offered);
// The positions in `granted` of the folders that a new grant covers (the same folder or one
// inside it), in ascending order: merging drops them.
QList<qsizetype> obsoleteGrants(const QStringList &granted, const QStringList &added);

} // namespace MCURLExtensions

// One granted location with a count of outstanding access grants.
class MCSandboxURL
{
public:
    explicit MCSandboxURL(const QString &path);
    // Null for an empty path.
    static std::shared_ptr<MCSandboxURL> fromURL(const QString &path);
    // Null for empty data or a bookmark that does not resolve.
    static std::shared_ptr<MCSandboxURL> fromBookmark(const QByteArray &bookmark);
    // From the stored form (its "bookmark" alone).
    static std::shared_ptr<MCSandboxURL> fromDictionary(const QVariantMap &dictionary);

    QString securityScopedURL() const { return m_url; }
    qint64 securityScopedResourceRetainCount() const { return m_retainCount; }

    // The first retain starts access (which succeeds while the location exists); later ones
    // count. False, count unchanged, when access cannot start.
    bool retainSecurityScopedResource();
    // Balances one retain; the last one stops access. Nothing at a count of 0.
    void releaseSecurityScopedResource();

    // {"path", "bookmark"}; empty when the bookmark cannot be made.
    QVariantMap dictionaryRepresentation() const;

private:
    QString m_url;
    qint64 m_retainCount = 0;
};

using MCSandboxURLList = QList<std::shared_ptr<MCSandboxURL>>;

// The list of granted folders. The shared instance starts empty and reads nothing from the
// defaults; every change of the list is written back at once.
class MCSandboxHelper
{
public:
    // Answers the next path, or a null string when there are no more.
    using URLProvider = std::function<QString()>;

    static MCSandboxHelper &sharedInstance(); // kept in the standard user defaults
    explicit MCSandboxHelper(MCUserDefaults &defaults);
    MCSandboxHelper(const MCSandboxHelper &) = delete;
    MCSandboxHelper &operator=(const MCSandboxHelper &) = delete;

    // Writes the stored form of the whole list, replacing what was there.
    void save();
    // Appends the stored entries that resolve and can be accessed; others are skipped, and
    // one that does not resolve is logged ("Couldn't resolve bookmark: …").
    void restore();

    // The provider's paths that lie in no granted folder (each path looked up once, kept in the
    // order offered), handed to `completion` once, before this returns; empty when all are
    // covered.
    void enumerateURLs(const URLProvider &provider, const std::function<void(const QStringList &)> &completion);
    // Merges new grants: entries inside a new one (the same folder included) are released and
    // dropped, the new ones retained and appended in order, and the list saved. Nothing
    // happens, nothing is saved, for an empty list.
    void addSandboxURLs(const MCSandboxURLList &entries);
    // Remembers the paths the user has just chosen that are not covered yet.
    void addSecurityScopedURLs(const QStringList &paths);
    // Makes sure the provider's folders are granted: the missing ones are reduced to one
    // common folder per file system, the user is asked for each (grantAccessToFolderAtURL, on
    // the main thread while a calling worker waits), and the grants are merged. Returns when
    // every dialog is done. Not to be called from a block the main thread waits for.
    void prepareForAccessingURLs(const URLProvider &provider);
    // The same for the folders holding the given files, in order.
    void prepareForAccessingFileURLs(const QStringList &paths);
    // Asks the user to grant `folder` with an open panel at it ("Grant access to “name”").
    // The folder itself or one above it is accepted; another folder brings the alert "The
    // wrong folder was chosen." whose "Choose Again" shows a fresh panel. Null when the user
    // cancels, or at once, without a dialog, when `folder` is not an existing folder.
    std::shared_ptr<MCSandboxURL> grantAccessToFolderAtURL(const QString &folder);

    MCSandboxURLList sandboxURLs() const;
    void setSandboxURLs(const MCSandboxURLList &entries);

    // An open panel through the prompt layer, window-modal over `window` when given: a fresh
    // request is handed to `configure` (when given) to set up, the panel runs, and `completion`
    // (when given) receives the request and the answer and answers the paths to remember,
    // which are granted (addSecurityScopedURLs) when there are any.
    using PanelConfiguration = std::function<void(MCOpenPanelRequest &request)>;
    using PanelCompletion = std::function<QStringList(const MCOpenPanelRequest &request, const MCOpenPanelAnswer &answer)>;
    void runModalOpenPanel(const PanelConfiguration &configure, const PanelCompletion &completion,
                           QWidget *window = nullptr);

private:
    MCUserDefaults &m_defaults;
    mutable std::recursive_mutex m_lock; // guards m_sandboxURLs
    MCSandboxURLList m_sandboxURLs;
};
