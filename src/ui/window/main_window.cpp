#include "ui/window/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStyle>
#include <QValidator>

#include <utility>

#include "editor/control_table.h"
#include "ui/widgets/icon_button.h"
#include "ui/widgets/icons.h"
#include "ui/window/number_edit.h"

namespace qx7::ui {

namespace {

using editor::ControlId;
using editor::ControlKind;
using editor::ControlRow;
namespace style = editor::style;

constexpr QColor kCaptionColor{153, 51, 51};

// The step indication's place over the bottom button row, in dialog units.
constexpr QRect kProgressRect{11, 410, 331, 24};

// Band buttons sit this many pixels left of the close button.
constexpr int kBandButtonOffset = 25;
constexpr int kWideMargin = 29;
constexpr int kNarrowMargin = 19;
constexpr int kBottomMargin = 19;

QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// A control's place in the window's dialog units.
QRect UnitsOf(const ControlRow& row) { return QRect(row.place.x, row.place.y, row.place.width, row.place.height); }
QRect UnitsOf(ControlId id) { return UnitsOf(*editor::FindControl(id)); }

// Letters typed into a password field become capitals, one for one.
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& /*pos*/) const override {
        for (QChar& c : input) {
            c = c.toUpper();
        }
        return Acceptable;
    }
};

}  // namespace

MainWindow::MainWindow(QWidget* parent) : ThemedWindow(parent), units_(font()) {
    SetCaptionColor(kCaptionColor);
    // Every control is created in the tab order of the form.
    BuildControls();
    BuildProgressPanel();
    BuildMenus();
    BuildShortcuts();
    ApplyCaptions(strings::Language::English);
    ApplyGeometry();
    LayOut(false);
    // Accelerators and the password field's focus loss are seen here before
    // any control handles them.
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow() = default;

// ---------------------------------------------------------------------------
// Construction

void MainWindow::Place(QWidget* widget, const QRect& units) { placements_.push_back({widget, units}); }

void MainWindow::Register(int id, QWidget* widget) {
    if (id != 0) {
        controls_[id] = widget;
    }
}

void MainWindow::BuildControls() {
    for (const ControlRow& row : editor::ControlRows()) {
        BuildControl(row);
    }
    // The drive list says so until a scan fills it.
    auto* drives = qobject_cast<QComboBox*>(Control(ControlId::DriveList));
    drives->setCurrentIndex(0);
    connect(drives, &QComboBox::activated, this, [this] { emit driveSelectionChanged(); });
    // The band button beside the close button minimises the frameless
    // window, which has no other way to be minimised.
    IconButton* band = Button(kBandButton);
    band->setFocusPolicy(Qt::NoFocus);
    band->setAccessibleName(QStringLiteral("Minimize"));
    connect(band, &QAbstractButton::clicked, this, [this] { showMinimized(); });
    CloseButton()->setAccessibleName(QStringLiteral("Close"));
    rfid_group_ = qobject_cast<QGroupBox*>(Control(ControlId::RfidGroup));
}

void MainWindow::BuildControl(const ControlRow& row) {
    const int id = static_cast<int>(row.id);
    const QString fixed = row.fixed != nullptr ? QString::fromUtf8(row.fixed) : QString();
    QWidget* parent = row.group == ControlId{} ? static_cast<QWidget*>(this) : Control(row.group);
    const auto emit_command = [this, id] { emit command(static_cast<ControlId>(id)); };
    QWidget* widget = nullptr;
    switch (row.kind) {
        case ControlKind::Title: Register(id, TitleLabel()); return;
        case ControlKind::BandWidget:
            Register(id, row.id == ControlId::CloseButton ? static_cast<QWidget*>(CloseButton()) : AppIconButton());
            return;
        case ControlKind::Label: {
            auto* label = new QLabel(fixed, parent);
            label->setAlignment((row.look & style::kAlignRight) != 0 ? Qt::AlignRight | Qt::AlignVCenter
                                                                     : Qt::AlignLeft | Qt::AlignVCenter);
            widget = label;
            break;
        }
        case ControlKind::Group: widget = new QGroupBox(fixed, parent); break;
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(parent);
            edit->setReadOnly((row.look & style::kReadOnly) != 0);
            if (row.max > 0) {
                edit->setMaxLength(row.max);
            }
            if ((row.look & style::kUpperCase) != 0) {
                edit->setValidator(new UpperCaseValidator(edit));
            }
            if ((row.look & style::kMasked) != 0) {
                edit->setEchoMode(QLineEdit::Password);
            }
            widget = edit;
            break;
        }
        case ControlKind::Check:
            widget = new QCheckBox(fixed, parent);
            connect(static_cast<QCheckBox*>(widget), &QAbstractButton::clicked, this, emit_command);
            break;
        case ControlKind::RadioFirst:
        case ControlKind::RadioSecond: {
            auto* radio = new QRadioButton(fixed, parent);
            if (row.kind == ControlKind::RadioFirst) {
                radio_pairs_.push_back({new QButtonGroup(this), id, static_cast<int>(editor::SecondOfPair(row.id))});
            }
            radio_pairs_.back().group->addButton(radio);
            connect(radio, &QAbstractButton::clicked, this, emit_command);
            widget = radio;
            break;
        }
        case ControlKind::Combo: {
            auto* combo = new QComboBox(parent);
            if (!fixed.isEmpty()) {
                combo->addItem(fixed);
            }
            widget = combo;
            break;
        }
        case ControlKind::Number:
            widget = new NumberEdit(row.arrow_min, row.arrow_max, row.arrow_step, parent);
            Register(static_cast<int>(row.partner), widget);
            break;
        case ControlKind::BandButton:
        case ControlKind::IconButton: {
            auto* button = new IconButton(fixed, parent);
            button->SetIcon(LoadIcon(row.icon), row.icon_size);
            button->setAccessibleName(fixed);
            if ((row.look & style::kToolbar) != 0) {
                button->SetLook(ButtonLook::Toolbar);
            }
            if ((row.look & style::kImageTop) != 0) {
                button->SetImageAlignment(ImageAlignment::Top);
            }
            if ((row.look & style::kTextIndented) != 0) {
                button->SetTextAlignment(TextAlignment::Indented);
            }
            if ((row.look & style::kTextRight) != 0) {
                button->SetTextAlignment(TextAlignment::Right);
            }
            if ((row.look & style::kDefault) != 0) {
                button->SetDefault(true);
            }
            if ((row.look & style::kOpensMenu) != 0) {
                connect(button, &IconButton::menuCommand, this, &MainWindow::menuCommand);
            } else if (row.kind == ControlKind::IconButton) {
                connect(button, &QAbstractButton::clicked, this, emit_command);
            }
            widget = button;
            break;
        }
        case ControlKind::PushButton: {
            auto* button = new QPushButton(parent);
            if ((row.look & style::kIconOnly) != 0) {
                QIcon icon = LoadIcon(row.icon);
                if (icon.isNull()) {
                    icon = style()->standardIcon(QStyle::SP_DirOpenIcon);
                }
                button->setIcon(icon);
                button->setAccessibleName(fixed);
                button->setToolTip(fixed);
            } else {
                button->setText(fixed);
            }
            connect(button, &QAbstractButton::clicked, this, emit_command);
            widget = button;
            break;
        }
    }
    Place(widget, UnitsOf(row));
    Register(id, widget);
}

void MainWindow::BuildProgressPanel() {
    // The step indication of a running command covers the bottom row, whose
    // buttons are unavailable while it runs.
    progress_panel_ = new QFrame(this);
    progress_panel_->setFrameShape(QFrame::StyledPanel);
    progress_panel_->setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(progress_panel_);
    progress_label_ = new QLabel(progress_panel_);
    progress_bar_ = new QProgressBar(progress_panel_);
    progress_bar_->setRange(0, 0);
    progress_bar_->setTextVisible(false);
    layout->addWidget(progress_label_, 1);
    layout->addWidget(progress_bar_, 1);
    Place(progress_panel_, kProgressRect);
    progress_panel_->hide();
}

void MainWindow::BuildMenus() {
    settings_menu_ = new QMenu(Button(kSettingsButton));
    QMenu* language = settings_menu_->addMenu(QStringLiteral("Language"));
    // The language in force carries the menu's mark (ApplyCaptions sets it).
    auto* languages = new QActionGroup(language);
    for (const auto& [caption, id] :
         {std::pair{QStringLiteral("English"), kMenuEnglish}, std::pair{QStringLiteral("한국어"), kMenuKorean}}) {
        QAction* action = language->addAction(caption);
        action->setData(id);
        action->setCheckable(true);
        languages->addAction(action);
    }
    language_actions_ = languages;
    // Choosing an item only asks for the switch: until it is done (or when
    // it is refused) the mark stays on the language in force.
    connect(language, &QMenu::aboutToShow, this, [this] { MarkLanguage(); });
    connect(languages, &QActionGroup::triggered, this, [this] { MarkLanguage(); });
    settings_menu_->addAction(QStringLiteral("Check for Update"))->setData(kMenuCheckForUpdate);
    settings_menu_->addAction(QStringLiteral("About"))->setData(kMenuAbout);
    Button(kSettingsButton)->SetMenu(settings_menu_);

    help_menu_ = new QMenu(Button(kHelpButton));
    help_menu_->addAction(QStringLiteral("Support Request"))->setData(kMenuSupportRequest);
    web_site_action_ = help_menu_->addAction(QStringLiteral("Ostrivance Web Site"));
    web_site_action_->setData(kMenuWebSite);
    help_menu_->addAction(QStringLiteral("&About"))->setData(kMenuHelpAbout);
    Button(kHelpButton)->SetMenu(help_menu_);
}

void MainWindow::BuildShortcuts() {
    const auto add = [this](QKeyCombination keys, auto&& action) {
        auto* shortcut = new QShortcut(QKeySequence(keys), this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    add(Qt::CTRL | Qt::Key_C, [this] { emit uploadShortcut(); });
    add(Qt::CTRL | Qt::Key_X, [this] { emit command(ControlId::Exit); });
    add(QKeyCombination(Qt::Key_Escape), [this] { emit command(ControlId::Exit); });
    add(Qt::CTRL | Qt::Key_S, [this] { emit command(ControlId::Ok); });
}

// ---------------------------------------------------------------------------
// Geometry

void MainWindow::ApplyGeometry() {
    // With a small font the form's top row would reach into the band, whose
    // height is fixed in pixels: then the form moves down below it.
    const int top_offset = std::max(0, kBandHeight + 2 - units_.Y(UnitsOf(ControlId::SettingsButton).y()));
    for (const Placement& placement : placements_) {
        QRect pixels = units_.ToPixels(placement.units);
        if (placement.widget->parentWidget() == this) {
            pixels.translate(0, top_offset);
        } else {
            // Children of a group box are placed relative to the group.
            for (const Placement& group : placements_) {
                if (group.widget == placement.widget->parentWidget()) {
                    pixels.translate(-units_.ToPixels(group.units).topLeft());
                    break;
                }
            }
        }
        placement.widget->setGeometry(pixels);
    }
    // The band keeps its pixel height whatever the font: its square buttons
    // are centred in it, and narrow enough for the band button to sit its
    // fixed offset left of the close button without overlapping it.
    const auto band_rect = [this](const QRect& units) {
        QRect pixels = units_.ToPixels(units);
        const int side = std::min(pixels.height(), kBandButtonOffset - 1);
        pixels.setSize(QSize(side, side));
        pixels.moveTop((kBandHeight - side) / 2);
        return pixels;
    };
    AppIconButton()->setGeometry(band_rect(UnitsOf(ControlId::AppIconButton)));
    close_rect_ = band_rect(UnitsOf(ControlId::CloseButton));
    CloseButton()->setGeometry(close_rect_);
    Control(kBandButton)->setGeometry(band_rect(UnitsOf(ControlId::BandButton)));
}

void MainWindow::LayOut(bool with_rfid) {
    wide_ = with_rfid;
    rfid_group_->setVisible(with_rfid);

    const QWidget* exit = Control(ControlId::Exit);
    const QWidget* copy_tags = Control(ControlId::CopyTags);
    const int exit_right = exit->x() + exit->width();
    const int tags_right = copy_tags->mapTo(this, QPoint(copy_tags->width(), 0)).x();
    const int height = exit->y() + exit->height() + kBottomMargin;

    QWidget* band_button = Control(kBandButton);
    if (with_rfid) {
        setFixedSize(tags_right + kWideMargin, height);
        band_button->move(tags_right - kBandButtonOffset, close_rect_.top());
        CloseButton()->move(tags_right, close_rect_.top());
    } else {
        setFixedSize(exit_right + kNarrowMargin, height);
        band_button->move(close_rect_.left() - kBandButtonOffset, close_rect_.top());
        CloseButton()->move(close_rect_.topLeft());
    }
    // The title is centred across the band, clear of the icon and buttons.
    const int title_left = AppIconButton()->x() + AppIconButton()->width() + 4;
    const int title_right = band_button->x() - 4;
    const int side = std::max(title_left, width() - title_right);
    TitleLabel()->setGeometry(side, 0, std::max(0, width() - 2 * side), kBandHeight);
    update();
}

void MainWindow::changeEvent(QEvent* event) {
    ThemedWindow::changeEvent(event);
    if (event->type() == QEvent::FontChange && !placements_.empty()) {
        units_ = DialogUnits(font());
        ApplyGeometry();
        LayOut(wide_);
    }
}

// ---------------------------------------------------------------------------
// Captions

void MainWindow::SetCaption(const ControlRow& row, const QString& caption) {
    QWidget* control = Control(row.id);
    if (control == nullptr) {
        return;
    }
    if (row.kind == ControlKind::Title) {
        SetTitle(caption);
        AppIconButton()->setAccessibleName(caption);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(caption);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(caption);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        const bool icon_button = qobject_cast<IconButton*>(control) != nullptr;
        // A button showing its icon only (Rescan beside the drive list) has
        // its caption as its name and tool tip.
        if ((row.look & style::kIconOnly) == 0) {
            button->setText(caption);
        }
        if (icon_button) {
            QString name = caption;
            name.replace(QLatin1Char('\n'), QLatin1Char(' '));
            button->setAccessibleName(name);
            button->setToolTip(name);
        }
    }
}

void MainWindow::MarkLanguage() {
    const int current = language_ == strings::Language::Korean ? kMenuKorean : kMenuEnglish;
    for (QAction* action : language_actions_->actions()) {
        action->setChecked(action->data().toInt() == current);
    }
}

void MainWindow::ApplyCaptions(strings::Language language) {
    language_ = language;
    MarkLanguage();
    for (const ControlRow& row : editor::ControlRows()) {
        if (row.caption) {
            SetCaption(row, ToQString(strings::FormatResString(language, *row.caption)));
        }
    }
}

void MainWindow::SetWebSiteCaption(const QString& caption) { web_site_action_->setText(caption); }

// ---------------------------------------------------------------------------
// Busy state and progress

void MainWindow::SetBusy(bool busy) {
    busy_ = busy;
    if (busy) {
        setCursor(Qt::BusyCursor);
    } else {
        unsetCursor();
    }
}

void MainWindow::ShowProgress(const QString& text) {
    progress_label_->setText(text);
    progress_panel_->show();
    progress_panel_->raise();
}

void MainWindow::HideProgress() { progress_panel_->hide(); }

bool MainWindow::IsProgressShown() const { return !progress_panel_->isHidden(); }

QString MainWindow::ProgressText() const { return progress_label_->text(); }

// ---------------------------------------------------------------------------
// Lookup

QWidget* MainWindow::Control(int id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

IconButton* MainWindow::Button(int id) const { return qobject_cast<IconButton*>(Control(id)); }

const MainWindow::RadioPair* MainWindow::FindPair(int first) const {
    for (const RadioPair& pair : radio_pairs_) {
        if (pair.first == first) {
            return &pair;
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// FormView

std::u16string MainWindow::Text(ControlId id) const {
    QWidget* control = Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        return edit->text().toStdU16String();
    }
    if (auto* number = qobject_cast<NumberEdit*>(control)) {
        return number->Text().toStdU16String();
    }
    return {};
}

void MainWindow::SetText(ControlId id, std::u16string_view text) {
    QWidget* control = Control(id);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(ToQString(text));
    } else if (auto* number = qobject_cast<NumberEdit*>(control)) {
        number->SetText(ToQString(text));
    }
}

bool MainWindow::Checked(ControlId id) const {
    const auto* button = qobject_cast<QAbstractButton*>(Control(id));
    return button != nullptr && button->isChecked();
}

void MainWindow::SetChecked(ControlId id, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(Control(id)); button != nullptr && button->isCheckable()) {
        button->setChecked(checked);
    }
}

int MainWindow::RadioIndex(ControlId first) const {
    const RadioPair* pair = FindPair(static_cast<int>(first));
    if (pair == nullptr) {
        return -1;
    }
    if (qobject_cast<QAbstractButton*>(Control(pair->first))->isChecked()) {
        return editor::kEnable;
    }
    if (qobject_cast<QAbstractButton*>(Control(pair->second))->isChecked()) {
        return editor::kDisable;
    }
    return -1;
}

void MainWindow::SetRadioIndex(ControlId first, int index) {
    const RadioPair* pair = FindPair(static_cast<int>(first));
    if (pair == nullptr) {
        return;
    }
    // Not exclusive for a moment, so that both buttons can be cleared.
    pair->group->setExclusive(false);
    qobject_cast<QAbstractButton*>(Control(pair->first))->setChecked(index == editor::kEnable);
    qobject_cast<QAbstractButton*>(Control(pair->second))->setChecked(index == editor::kDisable);
    pair->group->setExclusive(true);
}

std::vector<std::u16string> MainWindow::ComboLines(ControlId id) const {
    std::vector<std::u16string> lines;
    if (const auto* combo = qobject_cast<QComboBox*>(Control(id))) {
        for (int i = 0; i < combo->count(); ++i) {
            lines.push_back(combo->itemText(i).toStdU16String());
        }
    }
    return lines;
}

void MainWindow::SetComboLines(ControlId id, const std::vector<std::u16string>& lines) {
    auto* combo = qobject_cast<QComboBox*>(Control(id));
    if (combo == nullptr) {
        return;
    }
    combo->clear();
    for (const std::u16string& line : lines) {
        combo->addItem(ToQString(line));
    }
    combo->setCurrentIndex(-1);
}

int MainWindow::ComboIndex(ControlId id) const {
    const auto* combo = qobject_cast<QComboBox*>(Control(id));
    return combo != nullptr ? combo->currentIndex() : -1;
}

void MainWindow::SetComboIndex(ControlId id, int index) {
    auto* combo = qobject_cast<QComboBox*>(Control(id));
    if (combo == nullptr) {
        return;
    }
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

bool MainWindow::Enabled(ControlId id) const {
    const QWidget* control = Control(id);
    return control != nullptr && control->isEnabled();
}

void MainWindow::SetEnabled(ControlId id, bool enabled) {
    if (QWidget* control = Control(id)) {
        control->setEnabled(enabled);
    }
}

void MainWindow::SetFocus(ControlId id) {
    if (QWidget* control = Control(id)) {
        control->setFocus(Qt::OtherFocusReason);
    }
}

// ---------------------------------------------------------------------------
// Events

void MainWindow::OnTitleClose() { emit titleCloseRequested(); }

void MainWindow::closeEvent(QCloseEvent* event) {
    if (IsDone()) {
        event->accept();
        return;
    }
    // The logic decides whether the window closes (it may refuse).
    event->ignore();
    emit closeRequested();
}

bool MainWindow::IsShortcutKey(const QKeyEvent* event) const {
    const QKeyCombination keys(event->modifiers() & ~Qt::KeypadModifier, Qt::Key(event->key()));
    return keys == (Qt::CTRL | Qt::Key_C) || keys == (Qt::CTRL | Qt::Key_X) || keys == (Qt::CTRL | Qt::Key_S) ||
           keys == QKeyCombination(Qt::Key_Escape);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ShortcutOverride: {
            // The window's accelerators come before the controls' own use of
            // the same keys (an edit's Ctrl+C copy, for one): the controls do
            // not get to claim them.
            const auto* widget = qobject_cast<QWidget*>(watched);
            if (widget != nullptr && widget->window() == this && IsShortcutKey(static_cast<QKeyEvent*>(event))) {
                return true;
            }
            break;
        }
        case QEvent::FocusOut:
            if (watched == Control(ControlId::CurrentPassword) &&
                static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
                emit currentPasswordFocusLost();
            }
            break;
        default: break;
    }
    return ThemedWindow::eventFilter(watched, event);
}

}  // namespace qx7::ui
