// The program's entry point: the application object, its identity and the photo list screen;
// the run itself (one instance per desktop session, start-up, the roads to the end) is
// quillon::runApplication.
#include "app/QuillonVersion.h"
#include "app/browser/MCPhotoListViewController.h"
#include "app/dialogs/MCRenameOptionsViewController.h"
#include "app/panels/MCStageViewController.h"
#include "app/shell/MCApplicationMain.h"
#include "platform/accelerate/vImageBuffer.h"
#include "platform/core/MCBundle.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    MCReturnLargeBlocksToTheSystem();
    QApplication app(argc, argv);
    quillon::setApplicationIdentity();
    QApplication::setDesktopFileName(QStringLiteral("quillonx"));
    QApplication::setWindowIcon(QIcon(platform::pathForResource(QStringLiteral("Desktop/quillonx.svg"))));
    MCRegisterStagePanels();
    // The rename dialog before the photo list, which offers its rename commands once one exists.
    MCRenameOptionsDialog::install();
    MCPhotoListViewController::installAsPhotoListScreen();
    return quillon::runApplication(app);
}
