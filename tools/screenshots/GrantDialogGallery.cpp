// The folder grant dialog: the open panel with its message and accessory view, and the
// accessory view alone.
#include "halvard/ui/MCPromptLayer.h"
#include "halvard/ui/MCSandboxAccessoryView.h"
#include "tools/screenshots/ScreenshotRegistry.h"

#include <QDir>
#include <QFileDialog>

namespace {

QWidget *grantPanel()
{
    // The panel as the grant dialog fills it, at a folder every machine has.
    const QString title = QStringLiteral("Grant access to “%1”").arg(QDir::tempPath().section('/', -1));
    MCOpenPanelRequest request;
    request.title = title;
    request.message = QStringLiteral("Click the “Allow” button to grant access to your media files.");
    request.prompt = QStringLiteral("Allow");
    request.directory = QDir::tempPath();
    request.canChooseFiles = false;
    request.canChooseDirectories = true;
    request.accessoryView = MCSandboxAccessoryView::accessoryViewWithTitle(title).release(); // the panel keeps it
    return MCPromptLayer::newOpenPanel(request).release();
}

const ScreenshotRegistration registration({
    {"grant-dialog", "panel", [] { return grantPanel(); }, QSize(760, 560)},
    {"grant-dialog", "accessory",
     [] { return MCSandboxAccessoryView::accessoryViewWithTitle(QStringLiteral("Grant access to “Pictures”")).release(); },
     QSize(520, 120)},
});

} // namespace
