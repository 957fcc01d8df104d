#pragma once
// MainWindow: the configurator's main window as widgets. It shows the form
// of editor::FormView on real controls and reports what the user does as
// signals; it decides nothing about the settings itself. It lives on the
// user-interface thread and is used there only (the program carries calls
// from the logic thread over to it).
//
// The controls, their places (in dialog units of the window font, see
// DialogUnits) and captions come from the control table
// (editor/control_table.h).
// Programmatic changes through FormView never emit command() or
// driveSelectionChanged(); only the user's clicks and choices do.

#include <QString>

#include <map>
#include <vector>

#include "editor/control_id.h"
#include "editor/control_table.h"
#include "editor/form_view.h"
#include "strings/string_table.h"
#include "ui/widgets/themed_window.h"
#include "ui/window/dialog_units.h"

class QAction;
class QActionGroup;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;

namespace qx7::ui {

class IconButton;

class MainWindow : public ThemedWindow, public editor::FormView {
    Q_OBJECT

public:
    // Commands of the Settings (1155) and Help (1156) menus.
    static constexpr int kMenuEnglish = 32787;
    static constexpr int kMenuKorean = 32788;
    static constexpr int kMenuCheckForUpdate = 32793;
    static constexpr int kMenuAbout = 32792;
    static constexpr int kMenuSupportRequest = 32781;
    static constexpr int kMenuWebSite = 32780;
    static constexpr int kMenuHelpAbout = 32776;

    // Ids of the window's controls that carry no form value.
    static constexpr int kSettingsButton = static_cast<int>(editor::ControlId::SettingsButton);
    static constexpr int kHelpButton = static_cast<int>(editor::ControlId::HelpButton);
    static constexpr int kBandButton = static_cast<int>(editor::ControlId::BandButton);

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // editor::FormView on the widgets.
    std::u16string Text(editor::ControlId id) const override;
    void SetText(editor::ControlId id, std::u16string_view text) override;
    bool Checked(editor::ControlId id) const override;
    void SetChecked(editor::ControlId id, bool checked) override;
    // -1 while neither button of the pair is selected.
    int RadioIndex(editor::ControlId first) const override;
    // 0 or 1 selects that button; any other index clears the pair.
    void SetRadioIndex(editor::ControlId first, int index) override;
    std::vector<std::u16string> ComboLines(editor::ControlId id) const override;
    void SetComboLines(editor::ControlId id, const std::vector<std::u16string>& lines) override;
    int ComboIndex(editor::ControlId id) const override;
    void SetComboIndex(editor::ControlId id, int index) override;
    bool Enabled(editor::ControlId id) const override;
    void SetEnabled(editor::ControlId id, bool enabled) override;
    void SetFocus(editor::ControlId id) override;

    // The title and the captions that follow the interface language; every
    // other control keeps its English caption.
    void ApplyCaptions(strings::Language language);
    strings::Language CaptionLanguage() const { return language_; }
    // The caption of the Help menu's web-site item (it names the vendor's
    // site, a deployment setting).
    void SetWebSiteCaption(const QString& caption);

    // Wide window with the RFID group, or narrow without it; fixes the size.
    void LayOut(bool with_rfid);
    bool IsWide() const { return wide_; }

    // Busy cursor over the window while the logic works.
    void SetBusy(bool busy);
    bool IsBusy() const { return busy_; }
    // A running-step indication with `text` over the bottom button row.
    void ShowProgress(const QString& text);
    void HideProgress();
    bool IsProgressShown() const;
    QString ProgressText() const;

    // A control by its id (statics and the band's buttons included), or
    // nullptr. The widget types follow the control table's kinds: QLineEdit
    // (texts), NumberEdit (also under its arrows' id), QCheckBox,
    // QRadioButton, QComboBox, IconButton, QPushButton, QLabel, QGroupBox.
    QWidget* Control(int id) const;
    QWidget* Control(editor::ControlId id) const { return Control(static_cast<int>(id)); }
    IconButton* Button(int id) const;
    QMenu* SettingsMenu() const { return settings_menu_; }
    QMenu* HelpMenu() const { return help_menu_; }
    const DialogUnits& Units() const { return units_; }

signals:
    // A button, check box or radio button clicked by the user.
    void command(qx7::editor::ControlId id);
    // The user chose a line of the drive list.
    void driveSelectionChanged();
    // The current administrator password field lost the keyboard focus.
    void currentPasswordFocusLost();
    // A command chosen from the Settings or Help menu (kMenu* ids).
    void menuCommand(int id);
    // Ctrl+C. Ctrl+X and Esc come as command(Exit), Ctrl+S as command(Ok).
    void uploadShortcut();
    // The window manager asked to close the window (the window stays open).
    void closeRequested();
    // The title band's close button.
    void titleCloseRequested();

protected:
    void OnTitleClose() override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct RadioPair {
        QButtonGroup* group = nullptr;
        int first = 0;
        int second = 0;
    };
    struct Placement {
        QWidget* widget;
        QRect units;  // in the window's dialog units
    };

    // Creates every control of the control table, in its order, inside its
    // group, and wires its user signal.
    void BuildControls();
    void BuildControl(const editor::ControlRow& row);
    void BuildProgressPanel();
    void BuildMenus();
    void BuildShortcuts();

    // Remembers that `widget` sits at `units` (window dialog units), and
    // registers it under `id` (0: unregistered).
    void Place(QWidget* widget, const QRect& units);
    void Register(int id, QWidget* widget);

    void ApplyGeometry();
    void PlaceBand();
    void SetCaption(const editor::ControlRow& row, const QString& caption);
    void MarkLanguage();
    const RadioPair* FindPair(int first) const;
    bool IsShortcutKey(const QKeyEvent* event) const;

    DialogUnits units_;
    strings::Language language_ = strings::Language::English;
    std::map<int, QWidget*> controls_;
    std::vector<Placement> placements_;
    std::vector<RadioPair> radio_pairs_;
    QGroupBox* rfid_group_ = nullptr;
    QMenu* settings_menu_ = nullptr;
    QMenu* help_menu_ = nullptr;
    QAction* web_site_action_ = nullptr;
    QActionGroup* language_actions_ = nullptr;
    QFrame* progress_panel_ = nullptr;
    QLabel* progress_label_ = nullptr;
    QProgressBar* progress_bar_ = nullptr;
    QRect close_rect_;  // the close button's place in the narrow window
    bool wide_ = false;
    bool busy_ = false;
};

}  // namespace qx7::ui
