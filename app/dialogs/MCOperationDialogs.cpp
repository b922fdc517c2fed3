#include "app/dialogs/MCOperationDialogs.h"

namespace {

MCConvertOptionsViewController::Factory &convertFactory()
{
    static MCConvertOptionsViewController::Factory factory;
    return factory;
}

MCRenameDialog::Factory &renameFactory()
{
    static MCRenameDialog::Factory factory;
    return factory;
}

MCEditMetadataDialog::Factory &editMetadataFactory()
{
    static MCEditMetadataDialog::Factory factory;
    return factory;
}

} // namespace

void MCConvertOptionsViewController::setFactory(Factory factory) { convertFactory() = std::move(factory); }
bool MCConvertOptionsViewController::isAvailable() { return bool(convertFactory()); }

std::shared_ptr<MCConvertOptionsViewController>
MCConvertOptionsViewController::controllerWithMainController(MCMainWindowController *main, const MCFileList &items)
{
    return convertFactory() ? convertFactory()(main, items) : nullptr;
}

void MCRenameDialog::setFactory(Factory factory) { renameFactory() = std::move(factory); }
bool MCRenameDialog::isAvailable() { return bool(renameFactory()); }

std::unique_ptr<MCRenameDialog> MCRenameDialog::dialogWithRenameSettings(const MCBatchRenameSettings &settings,
                                                                         const MCFileList &items, const QString &label,
                                                                         const QString &buttonLabel, bool reordering)
{
    return renameFactory() ? renameFactory()(settings, items, label, buttonLabel, reordering) : nullptr;
}

void MCEditMetadataDialog::setFactory(Factory factory) { editMetadataFactory() = std::move(factory); }
bool MCEditMetadataDialog::isAvailable() { return bool(editMetadataFactory()); }

std::unique_ptr<MCEditMetadataDialog>
MCEditMetadataDialog::dialogWithItems(const MCFileList &items, const std::shared_ptr<MCMetadataConverter> &converter)
{
    return editMetadataFactory() ? editMetadataFactory()(items, converter) : nullptr;
}
