#include "app/shell/MCPhotoListScreen.h"

namespace {
MCPhotoListScreen::Factory &installedFactory()
{
    static MCPhotoListScreen::Factory factory;
    return factory;
}
} // namespace

void MCPhotoListScreen::setFactory(Factory factory)
{
    installedFactory() = std::move(factory);
}

std::shared_ptr<MCPhotoListScreen> MCPhotoListScreen::makeScreen(MCMainWindowController *owner)
{
    return installedFactory() ? installedFactory()(owner) : nullptr;
}
