#include "app/library/MCUpdateOperation.h"

#include "platform/core/MCDispatch.h"
#include "platform/core/MCNotificationCenter.h"

#include <chrono>

const QString kMCUpdateOperationNotificationDidStart = QStringLiteral("kMCUpdateOperationNotificationDidStart");
const QString kMCUpdateOperationNotificationDidProgress = QStringLiteral("kMCUpdateOperationNotificationDidProgress");
const QString kMCUpdateOperationNotificationDidFinish = QStringLiteral("kMCUpdateOperationNotificationDidFinish");
const QString kMCUpdateOperationProgressKey = QStringLiteral("kMCUpdateOperationProgressKey");
const QString kMCUpdateOperationFilesKey = QStringLiteral("kMCUpdateOperationFilesKey");
const QString kMCUpdateOperationIsCancelledKey = QStringLiteral("kMCUpdateOperationIsCancelledKey");

namespace {

void postOnMain(const QString &name, const void *object, QVariantMap userInfo = {})
{
    platform::dispatchMain([name, object, userInfo = std::move(userInfo)] {
        MCNotificationCenter::defaultCenter().postNotificationName(name, object, userInfo);
    });
}

} // namespace

MCUpdateOperation::MCUpdateOperation()
    : m_clock([] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    })
{
}

MCFileList MCUpdateOperation::filesFromUserInfo(const QVariantMap &userInfo)
{
    return userInfo.value(kMCUpdateOperationFilesKey).value<MCFileList>();
}

void MCUpdateOperation::main()
{
    postOnMain(kMCUpdateOperationNotificationDidStart, this);
    updateFiles(m_files);
    const bool cancelled = isCancelled();
    if (cancelled)
        releaseClaims();
    postOnMain(kMCUpdateOperationNotificationDidFinish, this, {{kMCUpdateOperationIsCancelledKey, cancelled}});
}

void MCUpdateOperation::cancelledBeforeStart()
{
    releaseClaims();
    postOnMain(kMCUpdateOperationNotificationDidStart, this);
    postOnMain(kMCUpdateOperationNotificationDidFinish, this, {{kMCUpdateOperationIsCancelledKey, true}});
}

void MCUpdateOperation::releaseClaims()
{
    // Files of a stopped update that were not added are never added: their import's claims
    // end now, not when the last notification holding them has gone by, so a new import of
    // the same photos right after the stop makes them again. (Files already added are held by
    // the library; their claims are gone.)
    MCFileContainer::sharedContainer().unregisterPendingFiles(m_files);
}

void MCUpdateOperation::reloadFile(const std::shared_ptr<MCFile> &file)
{
    file->reloadFileInfo();
    file->reloadMetadata();
}

void MCUpdateOperation::updateFiles(const MCFileList &files)
{
    const qsizetype count = files.size();
    double last = m_clock();
    qsizetype batchStart = 0;
    for (qsizetype i = 1; i <= count; ++i) {
        if (isCancelled())
            return;
        if (files[i - 1])
            reloadFile(files[i - 1]);
        const double now = m_clock();
        if (i < count && now <= last + kProgressInterval)
            continue;
        // Each notification carries its own list: the GUI thread never reads our state.
        const MCFileList batch = files.mid(batchStart, i - batchStart);
        postOnMain(kMCUpdateOperationNotificationDidProgress, this,
                   {{kMCUpdateOperationProgressKey, double(i) / double(count)},
                    {kMCUpdateOperationFilesKey, QVariant::fromValue(batch)}});
        last = now;
        batchStart = i;
    }
}
