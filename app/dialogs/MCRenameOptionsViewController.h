#pragma once

// The rename settings editor and the rename dialog around it.
//
// The editor composes the pattern new file names are built from: literal text and rename
// tokens in a token field (the tokenizing character is "¦"), a palette of the 23 token kinds,
// a preset pop-up and a preview of every photo's old and new name. Tokens with settings open
// a popover on a click (and the index, date and find-and-replace tokens on insertion); the
// popover edits a copy of the token, which the editor puts back into the field as one undo
// step. Copy and paste carry tokens as a property list tagged with the rename family; what is
// not a sound list of rename tokens pastes as plain text.
//
// The dialog (a wizard dialog with this one page) is what the photo list opens before a
// rename, or a copy or move with new names: its OK button carries the caller's label, and a
// warning shows while two photos would get the same name (the user may still go on).
#include "app/dialogs/MCOperationDialogs.h"
#include "app/dialogs/MCPresetPopupController.h"
#include "app/library/MCBatchRenameSettings.h"
#include "app/shell/MCWizardDialog.h"
#include "app/uikit/MCPopover.h"
#include "app/uikit/MCTokenField.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QTableWidget>
#include <QTreeWidget>

#include <memory>
#include <optional>

class MCBatchRenamer;
class MCBitmapConverter;
class MCPresetManager;
class MCRenameOptionsDialog;
class MCTokenPopoverController;

Q_DECLARE_METATYPE(MCBatchRenameToken)

// The clipboard family of rename tokens.
extern const QString kMCRenameTokenFamily; // "Rename"

namespace MCRenameTokens {
// The field's objects for a pattern (strings and tokens) and back.
QVariantList fieldObjects(const QList<MCBatchRenameElement> &elements);
QList<MCBatchRenameElement> elements(const QVariantList &objects);
// A token stored in a field object, if it holds one.
std::optional<MCBatchRenameToken> tokenInObject(const QVariant &object);
// The settings a new token of `kind` gets from the palette: the index counts from 1 with no
// padding, dates in the second date pattern, find and replace empty, texts unchanged in case;
// the original index and the image's size and resolution have none.
QVariantMap insertionSettings(quint64 kind);
// Whether the kind has a popover, and whether it opens as the token is inserted.
bool hasPopover(quint64 kind);
bool opensPopoverOnInsertion(quint64 kind);
// The clipboard list of a field's objects, and the objects of a clipboard list: none unless
// every element is a string or the dictionary of a rename token whose kind exists and whose
// settings are the rename keys with values of their type and within their ranges.
QVariantList pasteboardList(const QVariantList &objects);
std::optional<QVariantList> objectsFromPasteboardList(const QVariantList &plist);
// Consecutive strings joined: literal text between two tokens is always one string.
QVariantList joinedStrings(const QVariantList &objects);
// The palette's capsule image of a token title: 17 high, the title's width + 29 wide.
QImage tokenImageForString(const QString &title, const QFont &font, bool pressed);
} // namespace MCRenameTokens

class MCRenameOptionsViewController : public MCViewController,
                                      public MCWizardViewController,
                                      public MCDarkTokenFieldDelegate,
                                      public MCPresetControllerDataSource,
                                      public MCPopoverDelegate
{
    Q_OBJECT
public:
    // `presetManager` (rename presets) may be given for tests; by default the user's.
    MCRenameOptionsViewController(MCRenameOptionsDialog *parentDialog, const MCFileList &items,
                                  const MCBatchRenameSettings &renameSettings, const QString &label, bool reordering,
                                  std::shared_ptr<MCPresetManager> presetManager = nullptr);
    ~MCRenameOptionsViewController() override;

    const MCBatchRenameSettings &renameSettings() const { return m_settings; }
    void setRenameSettings(const MCBatchRenameSettings &settings);
    std::shared_ptr<MCBitmapConverter> converter() const { return m_converter; }
    void setConverter(std::shared_ptr<MCBitmapConverter> converter);

    // The photos in the preview's order (rows may be reordered and removed).
    MCFileList items() const;
    // The new name of every photo in that order, "/" delivered as ":".
    QStringList resultNames() const;
    // Whether two photos would get the same name.
    bool containsBadNames() const { return m_containsBadNames; }

    // Inserts a token at the caret of the field (for the palette's buttons and tests): a copy
    // with the palette's insertion settings, and its popover for the kinds that open on
    // insertion.
    void addToken(quint64 kind);
    void insertToken(const MCBatchRenameToken &token);
    // Shows the settings popover of the token at document position `position` of the field,
    // at `anchor` (field coordinates); closes the open popover instead when one is shown.
    void showSettingsForTokenIfNeed(int position, const QRectF &anchor);
    // The popover controller editing a token now, if any.
    MCTokenPopoverController *openPopoverController() const;

    MCTokenField *tokenField() const { return m_tokenField; }
    QComboBox *presetsPopup() const { return m_presetsPopup; }
    MCPresetPopupController *presetPopupController() const { return m_presetPopupController; }
    QTreeWidget *previewList() const { return m_previewList; }
    QTableWidget *tokensTableView() const { return m_tokensTableView; }

    // Wizard page.
    void prepareToShow() override;
    void prepareToClose() override;
    QWidget *bottomView() const override { return m_bottomView; }
    QLabel *warningView() const { return m_warningView; }

    // Token field delegate.
    QString tokenFieldDisplayStringForRepresentedObject(MCTokenField *field, const QVariant &object) override;
    bool tokenFieldRepresentedObjectHasSettings(MCTokenField *field, const QVariant &object) override;
    bool tokenFieldShowSettingsForRepresentedObject(MCTokenField *field, const QVariant &object,
                                                   const QRectF &cellFrame) override;
    QVariantList tokenFieldShouldAddObjectsAtIndex(MCTokenField *field, const QVariantList &objects,
                                                   qint64 index) override;
    bool tokenFieldWriteRepresentedObjectsToPasteboard(MCTokenField *field, const QVariantList &objects,
                                                       QMimeData *pasteboard) override;
    QVariantList tokenFieldReadFromPasteboard(MCTokenField *field, const QMimeData *pasteboard) override;

    // Preset data source.
    QList<MCPresetRef> presetsForController(MCPresetPopupController *controller) override;
    bool presetControllerIsSettingsEqualToPreset(MCPresetPopupController *controller,
                                                const MCPresetRef &preset) override;
    void presetControllerApplyPreset(MCPresetPopupController *controller, const MCPresetRef &preset) override;
    void restoreDefaultPresetsForController(MCPresetPopupController *controller) override;
    MCPresetRef createPresetForController(MCPresetPopupController *controller, const QString &name) override;
    void presetControllerAddPreset(MCPresetPopupController *controller, const MCPresetRef &preset) override;
    void presetControllerReplacePresetAtIndex(MCPresetPopupController *controller, qint64 index,
                                              const MCPresetRef &preset) override;
    void presetControllerDeletePresetAtIndex(MCPresetPopupController *controller, qint64 index) override;

    // Popover delegate.
    void popoverDidClose(MCPopover *popover) override;

signals:
    // The preview's rows or names changed.
    void previewDidChange();

protected:
    QWidget *loadView() override;
    void viewControllerDidAppear(bool animated) override;

private:
    void updateTokenField();
    void storeTokens();
    void tokensDidChange();
    void recalculatePreview();
    void updateControls();
    void savePresets();
    MCTokenPopoverController *popoverControllerForKind(quint64 kind);
    QList<MCTokenPopoverController *> popoverControllers() const;
    void tokenSettingsDidChange(MCTokenPopoverController *controller);
    void closePopover(MCTokenPopoverController *controller);
    void placeCaretAfterToken(int position);
    QRectF anchorBeforeCaret() const;

    QPointer<MCRenameOptionsDialog> m_parentDialog;
    MCFileList m_initialItems;
    MCBatchRenameSettings m_settings;
    QString m_label;
    bool m_canReorder;
    std::shared_ptr<MCBitmapConverter> m_converter;
    std::shared_ptr<MCPresetManager> m_presetManager;
    MCBatchRenamer &m_batchRenamer;
    bool m_containsBadNames = false;
    bool m_skipsUpdating = false;

    QPointer<QLabel> m_labelTextField;
    QPointer<MCTokenField> m_tokenField;
    QPointer<QTableWidget> m_tokensTableView;
    QPointer<QComboBox> m_presetsPopup;
    QPointer<QTreeWidget> m_previewList;
    QPointer<QWidget> m_bottomView;
    QPointer<QLabel> m_warningView;
    MCPresetPopupController *m_presetPopupController = nullptr;

    // The popovers, made on first use; the token each edits sits at m_editedTokenPosition.
    MCTokenPopoverController *m_indexSettingsPopover = nullptr;
    MCTokenPopoverController *m_dateFormatPopover = nullptr;
    MCTokenPopoverController *m_findAndReplacePopover = nullptr;
    MCTokenPopoverController *m_changeCasePopover = nullptr;
    MCTokenPopoverController *m_filenamePopover = nullptr;
    int m_editedTokenPosition = -1;
};

class MCRenameOptionsDialog : public MCRenameDialog
{
    Q_OBJECT
public:
    MCRenameOptionsDialog(const MCBatchRenameSettings &settings, const MCFileList &items, const QString &label,
                          const QString &buttonLabel, bool reordering,
                          std::shared_ptr<MCPresetManager> presetManager = nullptr);
    ~MCRenameOptionsDialog() override;

    // Makes this the rename dialog the photo list opens.
    static void install();

    QString windowNibName() const override { return QStringLiteral("MCRenameDialog"); }
    MCBatchRenameSettings renameSettings() const override;
    MCFileList items() const override;
    QStringList convertedNames() const override;
    std::shared_ptr<MCBitmapConverter> converter() const;
    void setConverter(std::shared_ptr<MCBitmapConverter> converter);
    QString buttonLabel() const { return m_buttonLabel; }

    bool isWarningVisible() const { return m_warningVisible; }
    void setWarningVisible(bool visible);
    QLabel *warningView() const;

    MCRenameOptionsViewController *batchRenameViewController() const { return m_editor.get(); }

protected:
    QDialog *loadWindow() override;

private:
    std::shared_ptr<MCRenameOptionsViewController> m_editor;
    QString m_buttonLabel;
    bool m_warningVisible = false;
};
