#pragma once

// The one preferences window: a tool bar of four tabs (General, Filter, Grouping, Advanced).
// Choosing a tab swaps its view into the window and resizes the window to fit it, keeping the
// window's top edge where it is. Changes are stored as they are made.
#include "halvard/ui/MCViewController.h"

#include <QAbstractTableModel>
#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <QRect>

#include <memory>

class MCDarkPopupCell;
class MCPreferencesGroupingTab;
class MCSlider;
class MCStepperTextField;
class MCTableView;
class QAction;
class QLabel;
class QToolBar;

// The window frame that fits a tab of `viewHeight` where the container is `containerHeight`
// high: the top edge stays, the height changes by the difference (y down).
QRect MCPreferencesWindowFrameForTab(const QRect &windowFrame, int containerHeight, int viewHeight);

// General: the theme, a few behaviours and the reset of the "don't show again" answers.
class MCPreferencesGeneralTab : public MCViewController
{
    Q_OBJECT
public:
    using MCViewController::MCViewController;
    // Shows every completion and confirmation message again.
    void resetDontAskMeWarnings();

protected:
    QWidget *loadView() override;
};

// The file types imports take: one row per type the plug-ins read, checked when imports take
// it; the unchecked types are stored under "UndesirableFileTypes" in registry order.
class MCFileTypeTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { IconColumn = 0, NameColumn = 1 }; // "icon" (the check box) and "name"
    using QAbstractTableModel::QAbstractTableModel;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void reload();
};

// The filters of the photos added to the list: the minimum photo size ("MinImageSize", a
// slider from 0 to 1 whose label shows the threshold on both sides, "%.0f+ pixels" or "Any
// Size"), the minimum file size ("MinFileSize" in the unit "MinFileSizeUnit": bytes, KB, MB,
// GB or TB, decimal), and the file types.
class MCPreferencesFilterTab : public MCViewController
{
    Q_OBJECT
public:
    using MCViewController::MCViewController;
    MCTableView *fileTypeTable() const { return m_fileTypeTable; }
    MCFileTypeTableModel *model() const { return m_model; }
    MCSlider *minImageSizeSlider() const { return m_minImageSizeSlider; }
    QLabel *minImageSizeLabel() const { return m_minImageSizeLabel; }
    MCStepperTextField *minFileSizeField() const { return m_minFileSizeField; }
    MCDarkPopupCell *minFileSizeUnitPopup() const { return m_minFileSizeUnitPopup; }

    void checkAllTypes();
    void uncheckAllTypes();
    void checkRAWImageTypes();
    void uncheckRAWImageTypes();
    // "UndesirableFileTypes" = the identifiers of the types imports leave out, in registry order.
    static void saveFileTypesToUserDefaults();

protected:
    QWidget *loadView() override;

private:
    void setAvailability(bool available, bool rawOnly);
    QLayout *loadSizeControls(QWidget *view);
    void minFileSizeWasEdited();

    MCTableView *m_fileTypeTable = nullptr;
    MCFileTypeTableModel *m_model = nullptr;
    MCSlider *m_minImageSizeSlider = nullptr;
    QLabel *m_minImageSizeLabel = nullptr;
    MCStepperTextField *m_minFileSizeField = nullptr;
    MCDarkPopupCell *m_minFileSizeUnitPopup = nullptr;
};

// Advanced: settings of conversions and thumbnails.
class MCPreferencesAdvancedTab : public MCViewController
{
    Q_OBJECT
public:
    using MCViewController::MCViewController;

protected:
    QWidget *loadView() override;
};

class MCPreferencesWindowController : public QObject
{
    Q_OBJECT
public:
    static MCPreferencesWindowController &sharedInstance();
    explicit MCPreferencesWindowController(QObject *parent = nullptr);
    ~MCPreferencesWindowController() override;

    QMainWindow *window() const { return m_window; }
    QToolBar *toolbar() const { return m_toolbar; }
    QWidget *containerView() const { return m_containerView; }

    // Shows the window (centred over `parent` when it was not visible) in front.
    void showWindow(QWidget *parent = nullptr);

    void showGeneral();
    void showFiltering();
    void showGroupingPresets();
    void showAdvanced();
    // "General", "Filter", "Grouping" or "Advanced"; anything else does nothing.
    void selectTabWithIdentifier(const QString &identifier);
    QString selectedTabIdentifier() const { return m_selected; }

    // The tool bar's items: identifier → {"Label", "Image"}.
    static QStringList toolbarItemIdentifiers();
    static QString labelForIdentifier(const QString &identifier);

    MCPreferencesGeneralTab *generalTab() const { return m_generalTab.get(); }
    MCPreferencesFilterTab *filterTab() const { return m_filterTab.get(); }
    MCPreferencesGroupingTab *groupingTab() const { return m_groupingTab.get(); }
    MCPreferencesAdvancedTab *advancedTab() const { return m_advancedTab.get(); }

private:
    MCViewController *tabForIdentifier(const QString &identifier) const;

    QPointer<QMainWindow> m_window;
    QToolBar *m_toolbar = nullptr;
    QWidget *m_containerView = nullptr;
    QMap<QString, QAction *> m_actions;
    QString m_selected;
    std::unique_ptr<MCPreferencesGeneralTab> m_generalTab;
    std::unique_ptr<MCPreferencesFilterTab> m_filterTab;
    std::unique_ptr<MCPreferencesGroupingTab> m_groupingTab;
    std::unique_ptr<MCPreferencesAdvancedTab> m_advancedTab;
};
