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

#include <array>
#include <utility>

#include "ui/widgets/icon_button.h"
#include "ui/widgets/icons.h"
#include "ui/window/number_edit.h"

namespace qx7::ui {

namespace {

using editor::ControlId;
using strings::StringId;

constexpr QColor kCaptionColor{153, 51, 51};

// Ids of controls that carry no form value (labels, group boxes, the band).
constexpr int kSelectedDeviceLabel = 1001;
constexpr int kSerialLabel = 1118;
constexpr int kAdminGroup = 1027;
constexpr int kCurrentPasswordLabel = 1041;
constexpr int kNewAdminPasswordLabel = 1043;
constexpr int kConfirmAdminPasswordLabel = 1045;
constexpr int kUserGroup = 1048;
constexpr int kNewUserPasswordLabel = 1049;
constexpr int kConfirmUserPasswordLabel = 1051;
constexpr int kMinPasswordLengthLabel = 1063;
constexpr int kCentrawatchLabel = 1097;
constexpr int kSelfDestructLabel = 1080;
constexpr int kSelfDestructLimitLabel = 1085;
constexpr int kVirtualCdLabel = 1057;
constexpr int kStrongPasswordLabel = 1093;
constexpr int kRandomKeyPadLabel = 1060;
constexpr int kKeyToneLabel = 1066;
constexpr int kAdminLanguageLabel = 1071;
constexpr int kUserLanguageLabel = 1072;
constexpr int kRfidGroup = 1076;
constexpr int kRfidLabel = 1077;
constexpr int kSettingsGroup = 1132;
constexpr int kCurrentSetupIdLabel = 1135;
constexpr int kNewSetupIdLabel = 1129;
constexpr int kCloseButton = 1154;
constexpr int kAppIconButton = 1158;
constexpr int kTitle = 1160;

// Geometry of the form, in dialog units of the window.
constexpr QRect kSettingsButtonRect{241, 24, 50, 30};
constexpr QRect kHelpButtonRect{295, 24, 50, 30};
constexpr QRect kAppIconRect{4, 3, 14, 14};
constexpr QRect kBandButtonRect{313, 4, 14, 14};
constexpr QRect kCloseButtonRect{330, 4, 14, 14};
constexpr int kRowHeight = 12;    // edits, lists, labels
constexpr int kCheckHeight = 10;  // check boxes and radio buttons
constexpr int kRadioPitch = 16;   // rows of the Settings group
constexpr int kRadioLabelWidth = 66;
constexpr int kEnableWidth = 40;
constexpr int kDisableWidth = 50;
constexpr int kPasswordLabelWidth = 64;
constexpr int kRightColumn = 187;  // second column of the Settings group
constexpr int kRightLabelWidth = 72;
constexpr int kNumberWidth = 40;

// Band buttons sit this many pixels left of the close button.
constexpr int kBandButtonOffset = 25;
constexpr int kWideMargin = 29;
constexpr int kNarrowMargin = 19;
constexpr int kBottomMargin = 19;

// Captions that follow the interface language: control id, string id.
struct Caption {
    int control;
    StringId string;
};
constexpr std::array<int, 7> kEnableButtons{1098, 1081, 1058, 1094, 1061, 1067, 1078};
constexpr std::array<int, 7> kDisableButtons{1099, 1082, 1059, 1095, 1062, 1068, 1079};
constexpr std::array<Caption, 42> kCaptions{{
    {kTitle, StringId::ProgramName},
    {kSelectedDeviceLabel, StringId::SelectedDevice},
    {static_cast<int>(ControlId::Rescan), StringId::Rescan},
    {kSerialLabel, StringId::SerialNumber},
    {kAdminGroup, StringId::AdminPassword},
    {static_cast<int>(ControlId::ChangeAdminPassword), StringId::ChangeAdminPassword},
    {kCurrentPasswordLabel, StringId::CurrentPassword},
    {kNewAdminPasswordLabel, StringId::NewAdminPassword},
    {kConfirmAdminPasswordLabel, StringId::ConfirmAdminPassword},
    {kUserGroup, StringId::UserPassword},
    {static_cast<int>(ControlId::ChangeUserPassword), StringId::CreateUserPassword},
    {kNewUserPasswordLabel, StringId::NewUserPassword},
    {kConfirmUserPasswordLabel, StringId::ConfirmUserPassword},
    {kCentrawatchLabel, StringId::Centrawatch},
    {kSelfDestructLabel, StringId::SelfDestruct},
    {kSelfDestructLimitLabel, StringId::SelfDestructLimit},
    {kVirtualCdLabel, StringId::VirtualCd},
    {kStrongPasswordLabel, StringId::StrongPassword},
    {kMinPasswordLengthLabel, StringId::MinPasswordLength},
    {kRandomKeyPadLabel, StringId::RandomKeyPad},
    {kKeyToneLabel, StringId::KeyTone},
    {kAdminLanguageLabel, StringId::AdminLanguage},
    {kUserLanguageLabel, StringId::UserLanguage},
    {static_cast<int>(ControlId::SetExtendedSettings), StringId::SetExtendedSettings},
    {kRfidGroup, StringId::RfidAuthentication},
    {kRfidLabel, StringId::Rfid},
    {static_cast<int>(ControlId::ClearAllRfidTags), StringId::ClearAllRfidTags},
    {static_cast<int>(ControlId::ReadRfidTag), StringId::ReadRfidTag},
    {static_cast<int>(ControlId::Import), StringId::Import},
    {static_cast<int>(ControlId::SaveAs), StringId::SaveAs},
    {static_cast<int>(ControlId::UploadSettings), StringId::UploadSettings},
    {static_cast<int>(ControlId::Exit), StringId::Exit},
    {kCurrentSetupIdLabel, StringId::CurrentSetupId},
    {kNewSetupIdLabel, StringId::NewSetupId},
    {kSettingsGroup, StringId::SettingsGroup},
    {static_cast<int>(ControlId::ChangeSettings), StringId::ChangeSettings},
    {static_cast<int>(ControlId::AutoSaveConfiguration), StringId::AutoSaveConfiguration},
    {static_cast<int>(ControlId::EnableLog), StringId::EnableLog},
    {static_cast<int>(ControlId::ChangeRfidTagData), StringId::ChangeRfidTagData},
    {static_cast<int>(ControlId::CopyTags), StringId::CopyTags},
    {MainWindow::kSettingsButton, StringId::SettingsMenu},
    {MainWindow::kHelpButton, StringId::HelpMenu},
}};

QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

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

constexpr int kPasswordMaxLength = 32;

}  // namespace

MainWindow::MainWindow(QWidget* parent) : ThemedWindow(parent), units_(font()) {
    SetCaptionColor(kCaptionColor);
    // Every control below is created in the tab order of the form.
    BuildBand();
    BuildTop();
    BuildPasswordGroups();
    BuildSettingsGroup();
    BuildRfidGroup();
    BuildBottom();
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

QWidget* MainWindow::Parent() const {
    return current_group_ != nullptr ? static_cast<QWidget*>(current_group_)
                                     : const_cast<MainWindow*>(this);
}

void MainWindow::Place(QWidget* widget, const QRect& units) {
    placements_.push_back({widget, units});
}

void MainWindow::Register(int id, QWidget* widget) {
    if (id != 0) {
        controls_[id] = widget;
    }
}

QLabel* MainWindow::AddLabel(int id, const QString& caption, const QRect& units,
                             Qt::Alignment alignment) {
    auto* label = new QLabel(caption, Parent());
    label->setAlignment(alignment);
    Place(label, units);
    Register(id, label);
    return label;
}

QLineEdit* MainWindow::AddEdit(int id, const QRect& units) {
    auto* edit = new QLineEdit(Parent());
    Place(edit, units);
    Register(id, edit);
    return edit;
}

QCheckBox* MainWindow::AddCheck(int id, const QString& caption, const QRect& units) {
    auto* check = new QCheckBox(caption, Parent());
    Place(check, units);
    Register(id, check);
    connect(check, &QAbstractButton::clicked, this,
            [this, id] { emit command(static_cast<ControlId>(id)); });
    return check;
}

void MainWindow::AddRadioPair(int label_id, const QString& label, int first, int second,
                              const QString& first_caption, const QString& second_caption,
                              int row_y) {
    // Label, "Enable" and "Disable" in three aligned columns of the group.
    const int group_left = current_group_units_.x();
    AddLabel(label_id, label, QRect(group_left + 8, row_y, kRadioLabelWidth, kRowHeight));
    auto* group = new QButtonGroup(this);
    const std::array<std::pair<int, QString>, 2> buttons{{{first, first_caption}, {second, second_caption}}};
    int x = group_left + 8 + kRadioLabelWidth + 2;
    const std::array<int, 2> widths{kEnableWidth, kDisableWidth};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const int id = buttons[i].first;
        auto* radio = new QRadioButton(buttons[i].second, Parent());
        group->addButton(radio);
        Place(radio, QRect(x, row_y + (kRowHeight - kCheckHeight) / 2, widths[i], kCheckHeight));
        Register(id, radio);
        connect(radio, &QAbstractButton::clicked, this,
                [this, id] { emit command(static_cast<ControlId>(id)); });
        x += widths[i] + 2;
    }
    radio_pairs_.push_back({group, first, second});
}

QComboBox* MainWindow::AddCombo(int id, const QRect& units) {
    auto* combo = new QComboBox(Parent());
    Place(combo, units);
    Register(id, combo);
    return combo;
}

void MainWindow::AddNumber(int id, int spin_id, int minimum, int maximum, int step,
                           const QRect& units) {
    auto* number = new NumberEdit(minimum, maximum, step, Parent());
    Place(number, units);
    Register(id, number);
    Register(spin_id, number);
}

IconButton* MainWindow::AddIconButton(int id, const QString& caption, const QRect& units,
                                      int icon_id, int icon_size) {
    auto* button = new IconButton(caption, Parent());
    button->SetIcon(LoadIcon(icon_id), icon_size);
    button->setAccessibleName(caption);
    Place(button, units);
    Register(id, button);
    if (id != kSettingsButton && id != kHelpButton && id != kBandButton) {
        connect(button, &QAbstractButton::clicked, this,
                [this, id] { emit command(static_cast<ControlId>(id)); });
    }
    return button;
}

QGroupBox* MainWindow::BeginGroup(int id, const QString& caption, const QRect& units) {
    auto* group = new QGroupBox(caption, this);
    Place(group, units);
    Register(id, group);
    current_group_ = group;
    current_group_units_ = units;
    return group;
}

void MainWindow::EndGroup() {
    current_group_ = nullptr;
    current_group_units_ = QRect();
}

void MainWindow::BuildBand() {
    Register(kAppIconButton, AppIconButton());
    Register(kTitle, TitleLabel());
    Register(kCloseButton, CloseButton());
    CloseButton()->setAccessibleName(QStringLiteral("Close"));
    // The band button beside the close button minimises the frameless
    // window, which has no other way to be minimised.
    IconButton* band = AddIconButton(kBandButton, QString(), kBandButtonRect, 189, 0);
    band->SetLook(ButtonLook::Toolbar);
    band->setFocusPolicy(Qt::NoFocus);
    band->setAccessibleName(QStringLiteral("Minimize"));
    connect(band, &QAbstractButton::clicked, this, [this] { showMinimized(); });
}

void MainWindow::BuildTop() {
    IconButton* settings = AddIconButton(kSettingsButton, QString(), kSettingsButtonRect, 187, 0);
    IconButton* help = AddIconButton(kHelpButton, QString(), kHelpButtonRect, 190, 0);
    for (IconButton* button : {settings, help}) {
        button->SetLook(ButtonLook::Toolbar);
        button->SetImageAlignment(ImageAlignment::Top);
        connect(button, &IconButton::menuCommand, this, &MainWindow::menuCommand);
    }

    AddLabel(kSelectedDeviceLabel, QString(), QRect(114, 64, 67, kRowHeight),
             Qt::AlignRight | Qt::AlignVCenter);
    QComboBox* drives = AddCombo(static_cast<int>(ControlId::DriveList), QRect(183, 64, 125, kRowHeight));
    drives->addItem(QStringLiteral("QX7 Not Detected"));
    drives->setCurrentIndex(0);
    connect(drives, &QComboBox::activated, this, [this] { emit driveSelectionChanged(); });
    IconButton* rescan = AddIconButton(static_cast<int>(ControlId::Rescan), QString(),
                                       QRect(311, 60, 30, 21), 203, 32);
    rescan->SetLook(ButtonLook::Toolbar);
    rescan->SetTextAlignment(TextAlignment::Indented);

    AddLabel(kSerialLabel, QString(), QRect(150, 85, 57, kRowHeight), Qt::AlignRight | Qt::AlignVCenter);
    AddEdit(static_cast<int>(ControlId::SerialNumber), QRect(209, 85, 80, kRowHeight))->setReadOnly(true);
    IconButton* copy = AddIconButton(static_cast<int>(ControlId::CopySerial), QStringLiteral("Copy"),
                                     QRect(291, 83, 50, 16), 199, 24);
    copy->SetLook(ButtonLook::Toolbar);
    copy->SetTextAlignment(TextAlignment::Indented);

    AddLabel(kCurrentSetupIdLabel, QString(), QRect(11, 102, 62, kRowHeight));
    AddEdit(static_cast<int>(ControlId::CurrentSetupId), QRect(75, 102, 80, kRowHeight))->setReadOnly(true);
    AddLabel(kNewSetupIdLabel, QString(), QRect(160, 102, 77, kRowHeight), Qt::AlignRight | Qt::AlignVCenter);
    AddEdit(static_cast<int>(ControlId::NewSetupId), QRect(239, 102, 102, kRowHeight))->setReadOnly(true);
}

void MainWindow::BuildPasswordGroups() {
    const auto password_row = [this](int label_id, int edit_id, int group_left, int group_right, int y,
                                     bool masked) {
        AddLabel(label_id, QString(), QRect(group_left + 8, y, kPasswordLabelWidth, kRowHeight));
        const int edit_left = group_left + 8 + kPasswordLabelWidth + 2;
        QLineEdit* edit = AddEdit(edit_id, QRect(edit_left, y, group_right - 8 - edit_left, kRowHeight));
        edit->setMaxLength(kPasswordMaxLength);
        edit->setValidator(new UpperCaseValidator(edit));
        if (masked) {
            edit->setEchoMode(QLineEdit::Password);
        }
        return edit;
    };

    BeginGroup(kAdminGroup, QString(), QRect(11, 124, 160, 70));
    AddCheck(static_cast<int>(ControlId::ChangeAdminPassword), QString(), QRect(19, 135, 146, kCheckHeight));
    password_row(kCurrentPasswordLabel, static_cast<int>(ControlId::CurrentPassword),
                                      11, 171, 148, true);
    password_row(kNewAdminPasswordLabel, static_cast<int>(ControlId::NewAdminPassword), 11, 171, 162, true);
    password_row(kConfirmAdminPasswordLabel, static_cast<int>(ControlId::ConfirmAdminPassword), 11, 171,
                 176, true);
    EndGroup();

    BeginGroup(kUserGroup, QString(), QRect(177, 124, 164, 70));
    AddCheck(static_cast<int>(ControlId::ChangeUserPassword), QString(), QRect(185, 135, 150, kCheckHeight));
    password_row(kNewUserPasswordLabel, static_cast<int>(ControlId::NewUserPassword), 177, 341, 148, false);
    password_row(kConfirmUserPasswordLabel, static_cast<int>(ControlId::ConfirmUserPassword), 177, 341, 162,
                 true);
    EndGroup();
}

void MainWindow::BuildSettingsGroup() {
    BeginGroup(kSettingsGroup, QString(), QRect(11, 204, 330, 157));
    AddCheck(static_cast<int>(ControlId::ChangeSettings), QString(), QRect(19, 215, 150, kCheckHeight));

    // Left column: the switches, one radio pair per row.
    const QString enable = QStringLiteral("Enable");
    const QString disable = QStringLiteral("Disable");
    const auto row = [](int index) { return 229 + index * kRadioPitch; };
    AddRadioPair(kCentrawatchLabel, QString(), 1098, 1099, enable, disable, row(0));
    AddRadioPair(kSelfDestructLabel, QString(), 1081, 1082, enable, disable, row(1));
    AddRadioPair(kVirtualCdLabel, QString(), 1058, 1059, enable, disable, row(2));
    AddRadioPair(kStrongPasswordLabel, QString(), 1094, 1095, enable, disable, row(3));
    AddRadioPair(kRandomKeyPadLabel, QString(), 1061, 1062, enable, disable, row(4));
    AddRadioPair(kKeyToneLabel, QString(), 1067, 1068, enable, disable, row(5));
    AddRadioPair(0, QStringLiteral("Read-Only"), 1084, 1086, enable, disable, row(6));
    AddRadioPair(0, QStringLiteral("Auto-Lock"), 1088, 1089, enable, disable, row(7));
    // The auto-lock delay right beside its switch.
    AddNumber(static_cast<int>(ControlId::AutoLockDelay), static_cast<int>(ControlId::AutoLockDelaySpin), 10,
              180, 10, QRect(kRightColumn, row(7), kNumberWidth, kRowHeight));

    // Right column: lists, numbers and the two buttons, beside the switches
    // they belong to.
    const int field = kRightColumn + kRightLabelWidth + 2;
    const int field_width = 333 - field;
    AddLabel(kAdminLanguageLabel, QString(), QRect(kRightColumn, row(0), kRightLabelWidth, kRowHeight));
    AddCombo(static_cast<int>(ControlId::AdminLanguage), QRect(field, row(0), field_width, kRowHeight));
    AddLabel(kSelfDestructLimitLabel, QString(), QRect(kRightColumn, row(1), kRightLabelWidth, kRowHeight));
    AddNumber(static_cast<int>(ControlId::SelfDestructCounter), static_cast<int>(ControlId::SelfDestructSpin),
              10, 35, 5, QRect(field, row(1), kNumberWidth, kRowHeight));
    AddLabel(kUserLanguageLabel, QString(), QRect(kRightColumn, row(2), kRightLabelWidth, kRowHeight));
    AddCombo(static_cast<int>(ControlId::UserLanguage), QRect(field, row(2), field_width, kRowHeight));
    AddLabel(kMinPasswordLengthLabel, QString(), QRect(kRightColumn, row(3), kRightLabelWidth, kRowHeight));
    AddNumber(static_cast<int>(ControlId::MinPasswordLength), static_cast<int>(ControlId::MinPasswordLengthSpin),
              6, 31, 1, QRect(field, row(3), kNumberWidth, kRowHeight));
    AddIconButton(static_cast<int>(ControlId::SetExtendedSettings), QString(),
                  QRect(kRightColumn, row(4) + 2, 333 - kRightColumn, 22), 200, 24);
    auto* detect = new QPushButton(QStringLiteral("Detect Current Settings"), Parent());
    Place(detect, QRect(kRightColumn, row(6) - 1, 333 - kRightColumn, 14));
    Register(static_cast<int>(ControlId::DetectCurrentSettings), detect);
    connect(detect, &QAbstractButton::clicked, this,
            [this] { emit command(ControlId::DetectCurrentSettings); });
    EndGroup();
}

void MainWindow::BuildRfidGroup() {
    rfid_group_ = BeginGroup(kRfidGroup, QString(), QRect(355, 56, 216, 224));
    AddRadioPair(kRfidLabel, QString(), 1078, 1079, QStringLiteral("Enable"), QStringLiteral("Disable"), 68);
    AddCheck(static_cast<int>(ControlId::ChangeRfidTagData), QString(), QRect(363, 84, 150, kCheckHeight));
    for (int slot = 0; slot < 5; ++slot) {
        const int y = 102 + slot * 18;
        AddLabel(0, QStringLiteral("%1:").arg(slot + 1), QRect(363, y, 10, kRowHeight));
        AddEdit(static_cast<int>(editor::TagField(slot)), QRect(375, y, 110, kRowHeight));
        if (slot < 3) {
            AddCheck(static_cast<int>(editor::AdminTagBox(slot)), QStringLiteral("Admin TAG #%1").arg(slot + 1),
                     QRect(491, y + 1, 72, kCheckHeight));
        }
    }
    AddIconButton(static_cast<int>(ControlId::ReadRfidTag), QString(), QRect(363, 202, 100, 24), 206, 24);
    AddIconButton(static_cast<int>(ControlId::ClearAllRfidTags), QString(), QRect(363, 230, 100, 22), 201, 16);
    IconButton* copy_tags =
        AddIconButton(static_cast<int>(ControlId::CopyTags), QString(), QRect(467, 202, 96, 50), 199, 24);
    copy_tags->SetTextAlignment(TextAlignment::Right);
    EndGroup();
}

void MainWindow::BuildBottom() {
    AddCheck(static_cast<int>(ControlId::AutoSaveConfiguration), QString(), QRect(19, 377, 150, kCheckHeight));
    AddCheck(static_cast<int>(ControlId::EnableLog), QString(), QRect(184, 377, 120, kCheckHeight));
    AddLabel(0, QStringLiteral("Folder"), QRect(19, 388, 31, kRowHeight));
    // The field reaches to the Folder button, as wide as the row allows.
    AddEdit(static_cast<int>(ControlId::FolderField), QRect(52, 388, 196, kRowHeight));
    auto* browse = new QPushButton(Parent());
    QIcon folder_icon = LoadIcon(176);
    if (folder_icon.isNull()) {
        folder_icon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    }
    browse->setIcon(folder_icon);
    browse->setAccessibleName(QStringLiteral("Folder"));
    browse->setToolTip(QStringLiteral("Folder"));
    Place(browse, QRect(250, 387, 24, 14));
    Register(static_cast<int>(ControlId::FolderButton), browse);
    connect(browse, &QAbstractButton::clicked, this, [this] { emit command(ControlId::FolderButton); });

    IconButton* save_as =
        AddIconButton(static_cast<int>(ControlId::SaveAs), QString(), QRect(278, 385, 64, 19), 205, 24);
    save_as->SetTextAlignment(TextAlignment::Indented);
    AddIconButton(static_cast<int>(ControlId::Import), QString(), QRect(11, 410, 70, 24), 197, 32);
    IconButton* upload = AddIconButton(static_cast<int>(ControlId::UploadSettings), QString(),
                                       QRect(104, 410, 150, 24), 196, 32);
    upload->SetTextAlignment(TextAlignment::Indented);
    upload->SetDefault(true);
    AddIconButton(static_cast<int>(ControlId::Exit), QString(), QRect(281, 410, 61, 24), 198, 32);

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
    Place(progress_panel_, QRect(11, 410, 331, 24));
    progress_panel_->hide();
}

void MainWindow::BuildMenus() {
    settings_menu_ = new QMenu(Button(kSettingsButton));
    QMenu* language = settings_menu_->addMenu(QStringLiteral("Language"));
    // The language in force carries the menu's mark (ApplyCaptions sets it).
    auto* languages = new QActionGroup(language);
    for (const auto& [caption, id] : {std::pair{QStringLiteral("English"), kMenuEnglish},
                                      std::pair{QStringLiteral("한국어"), kMenuKorean}}) {
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
    const int top_offset = std::max(0, kBandHeight + 2 - units_.Y(kSettingsButtonRect.y()));
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
    AppIconButton()->setGeometry(band_rect(kAppIconRect));
    close_rect_ = band_rect(kCloseButtonRect);
    CloseButton()->setGeometry(close_rect_);
    Control(kBandButton)->setGeometry(band_rect(kBandButtonRect));
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

void MainWindow::SetCaption(int id, const QString& caption) {
    QWidget* control = Control(id);
    if (control == nullptr) {
        return;
    }
    if (id == kTitle) {
        SetTitle(caption);
        AppIconButton()->setAccessibleName(caption);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(caption);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(caption);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        const bool icon_button = qobject_cast<IconButton*>(control) != nullptr;
        // Rescan's place beside the drive list holds its icon only; its
        // caption is its name and tool tip.
        if (id != static_cast<int>(ControlId::Rescan)) {
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
    for (const Caption& caption : kCaptions) {
        SetCaption(caption.control, ToQString(strings::FormatResString(language, caption.string)));
    }
    const QString enable = ToQString(strings::FormatResString(language, StringId::Enable));
    const QString disable = ToQString(strings::FormatResString(language, StringId::Disable));
    for (int id : kEnableButtons) {
        SetCaption(id, enable);
    }
    for (int id : kDisableButtons) {
        SetCaption(id, disable);
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
    return keys == (Qt::CTRL | Qt::Key_C) || keys == (Qt::CTRL | Qt::Key_X) ||
           keys == (Qt::CTRL | Qt::Key_S) || keys == QKeyCombination(Qt::Key_Escape);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // The window's accelerators come before the controls' own use of
        // the same keys (an edit's Ctrl+C copy, for one): the controls do
        // not get to claim them.
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (widget != nullptr && widget->window() == this &&
            IsShortcutKey(static_cast<QKeyEvent*>(event))) {
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
    default:
        break;
    }
    return ThemedWindow::eventFilter(watched, event);
}

}  // namespace qx7::ui
