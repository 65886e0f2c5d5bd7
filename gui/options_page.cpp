#include "gui/options_page.h"

#include <algorithm>

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "events/event_kind.h"
#include "events/notifier.h"
#include "gui/scan_tuning_window.h"
#include "gui/typed_characters.h"
#include "settings/shared_settings.h"

namespace qv {
namespace {

constexpr int SIZE_STEP = 10;

// The ten check boxes in the record's order of their flags; the eight detection boxes carry the
// event kinds' own texts.
struct FlagBox {
    const char* name;
    EventKind kind;
};
const FlagBox DETECTION_BOXES[] = {
    {"cbScanComputers", EventKind::NetworkScanning},
    {"cbChangedEthernetAddress", EventKind::ChangedEthernetAddress},
    {"cbReusedOldEthernetAddress", EventKind::ReusedOldEthernetAddress},
    {"cbFlipFlop", EventKind::FlipFlop},
    {"cbNewActivity", EventKind::NewActivity},
    {"cbNewStation", EventKind::NewStation},
    {"cbEthernetBroadcast", EventKind::EthernetBroadcast},
    {"cbEthernetMismatch", EventKind::EthernetMismatch},
};
constexpr std::uint8_t Settings::*FLAGS[10] = {
    &Settings::DetectNetworkScanning,
    &Settings::DetectChangedEthernetAddress,
    &Settings::DetectReusedOldEthernetAddress,
    &Settings::DetectFlipFlop,
    &Settings::DetectNewActivity,
    &Settings::DetectNewStation,
    &Settings::DetectEthernetBroadcast,
    &Settings::DetectEthernetMismatch,
    &Settings::NotifyBalloon,
    &Settings::NotifySound,
};
constexpr int BALLOON_BOX = 8;
constexpr int SOUND_BOX = 9;

bool isSelected(const Settings& record, const std::string& name) {
    for (int k = 0; k < adapterCount(record); ++k) {
        if (fieldText(record.AdapterNames[static_cast<std::size_t>(k)]) == name) {
            return true;
        }
    }
    return false;
}

int shownSize(const Settings& record) {
    return std::clamp(record.ARPLogSizeMB, 0, MAX_ARP_LOG_SIZE_MB);
}

QString text(const TextField& field) {
    return QString::fromStdString(fieldText(field));
}

QCheckBox* checkBox(const char* name, const QString& caption, QWidget* parent) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    return box;
}

QPushButton* button(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}

} // namespace

OptionsPage::OptionsPage(SoundPlayer& sound, SharedSettings& settings, QWidget* parent)
    : QWidget(parent), m_sound(sound), m_settings(settings) {
    setObjectName("tsOptions");
    auto* layout = new QGridLayout(this);
    layout->addWidget(buildAdapters(), 0, 0);
    layout->addWidget(buildEvents(), 0, 1, 2, 1);
    layout->addWidget(buildNotifications(), 1, 0);
    layout->setColumnStretch(0, 3);
    layout->setColumnStretch(1, 2);
    updateDependentEnabling();
}

QWidget* OptionsPage::buildAdapters() {
    auto* group = new QGroupBox(tr("Network adapters"), this);
    group->setObjectName("gbNetworkAdapters");
    m_adapterList = new QListWidget(group);
    m_adapterList->setObjectName("clbNetworkAdapters");
    m_sizeLimited = checkBox("cbARPLogFileSize", tr("Limit the size of ARP.csv to"), group);
    m_sizeMB = new QSpinBox(group);
    m_sizeMB->setObjectName("udARPLogFileSize");
    m_sizeMB->setRange(0, MAX_ARP_LOG_SIZE_MB);
    m_sizeMB->setSingleStep(SIZE_STEP);
    m_sizeMB->setValue(100);
    m_sizeMB->setAlignment(Qt::AlignRight);
    m_sizeMB->findChild<QLineEdit*>()->setObjectName("eARPLogFileSize");
    m_sizeMB->installEventFilter(this);
    auto* mb = new QLabel(tr("Mb"), group);
    mb->setObjectName("lMB");
    auto* size = new QHBoxLayout;
    size->addWidget(m_sizeLimited);
    size->addWidget(m_sizeMB);
    size->addWidget(mb);
    size->addStretch();
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(m_adapterList);
    layout->addLayout(size);
    connect(m_adapterList, &QListWidget::itemChanged, this, &OptionsPage::edited);
    connect(m_sizeLimited, &QCheckBox::toggled, this, &OptionsPage::edited);
    connect(m_sizeMB, &QSpinBox::valueChanged, this, &OptionsPage::edited);
    return group;
}

QWidget* OptionsPage::buildEvents() {
    auto* group = new QGroupBox(tr("Events"), this);
    group->setObjectName("gbDetectEvents");
    auto* layout = new QGridLayout(group);
    int row = 0;
    for (const FlagBox& f : DETECTION_BOXES) {
        QCheckBox* box = checkBox(f.name, tr(eventKindText(f.kind)), group);
        m_flagBoxes[static_cast<std::size_t>(row)] = box;
        layout->addWidget(box, row++, 0);
        connect(box, &QCheckBox::toggled, this, &OptionsPage::edited);
    }
    m_tuning = button("bAdvanced", tr("Tuning..."), group);
    connect(m_tuning, &QPushButton::clicked, this, &OptionsPage::bAdvancedClick);
    layout->addWidget(m_tuning, 0, 1);
    layout->setRowStretch(row, 1);
    return group;
}

QWidget* OptionsPage::buildNotifications() {
    auto* group = new QGroupBox(tr("Notification methods"), this);
    group->setObjectName("gbEventNotify");
    QCheckBox* balloon = checkBox("cbShowPopupBaloon", tr("Show popup baloon"), group);
    QCheckBox* sound = checkBox("cbPlaySound", tr("Play sound"), group);
    m_flagBoxes[BALLOON_BOX] = balloon;
    m_flagBoxes[SOUND_BOX] = sound;
    m_soundFile = new QLineEdit(group);
    m_soundFile->setObjectName("ePlaySound");
    m_browseSound = button("bBrowseSound", "...", group);
    m_browseSound->setFixedWidth(m_browseSound->fontMetrics().horizontalAdvance("...") + 16);
    m_play = button("bPlay", tr("Play"), group);
    m_sendMessage = checkBox("cbSendMessage", tr("Send message on computers"), group);
    m_computers = new QLineEdit(group);
    m_computers->setObjectName("eComputerName");
    auto* layout = new QGridLayout(group);
    layout->addWidget(balloon, 0, 0, 1, 3);
    layout->addWidget(sound, 1, 0, 1, 3);
    layout->addWidget(m_soundFile, 2, 0);
    layout->addWidget(m_browseSound, 2, 1);
    layout->addWidget(m_play, 2, 2);
    layout->addWidget(m_sendMessage, 3, 0, 1, 3);
    layout->addWidget(m_computers, 4, 0, 1, 3);
    for (QCheckBox* box : {balloon, sound, m_sendMessage}) {
        connect(box, &QCheckBox::toggled, this, [this] {
            updateDependentEnabling();
            emit edited();
        });
    }
    for (QLineEdit* edit : {m_soundFile, m_computers}) {
        connect(edit, &QLineEdit::textChanged, this, [this] {
            updateDependentEnabling();
            emit edited();
        });
    }
    connect(m_browseSound, &QPushButton::clicked, this, &OptionsPage::browseSound);
    connect(m_play, &QPushButton::clicked, this,
            [this] { m_sound.playSound(m_soundFile->text().toStdString()); });
    return group;
}

void OptionsPage::updateDependentEnabling() {
    const bool sound = m_flagBoxes[SOUND_BOX]->isChecked();
    m_soundFile->setEnabled(sound);
    m_browseSound->setEnabled(sound);
    m_computers->setEnabled(m_sendMessage->isChecked());
    m_play->setEnabled(QFileInfo(m_soundFile->text()).isFile());
}

void OptionsPage::browseSound() {
    QFileDialog dialog(this);
    dialog.setObjectName("odSound");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(tr("All files (*)"));
    dialog.selectFile(m_soundFile->text());
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        m_soundFile->setText(QFileInfo(dialog.selectedFiles().front()).absoluteFilePath());
    }
}

// The thresholds and the ignore list go to the record on OK, at once: the scan detection uses
// them from its next pass, and they are saved with the other settings.
void OptionsPage::bAdvancedClick() {
    ScanTuningWindow window(m_settings.snapshot(), this);
    if (window.exec() == QDialog::Accepted) {
        m_settings.update([&](Settings& record) { window.store(record); });
    }
}

// Of the characters typed, the size field takes the digits; keys that type none (Tab, Delete,
// Return, Escape, the arrows) keep their usual meaning.
bool OptionsPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_sizeMB && event->type() == QEvent::KeyPress &&
        typesForbiddenCharacter(*static_cast<QKeyEvent*>(event), "0123456789")) {
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void OptionsPage::showSettings(const Settings& record, const std::vector<AdapterEntry>& adapters) {
    const QSignalBlocker blockList(m_adapterList);
    m_adapters = adapters;
    m_adapterList->clear();
    for (const AdapterEntry& a : m_adapters) {
        auto* item = new QListWidgetItem(QString::fromStdString(a.displayText), m_adapterList);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(isSelected(record, a.name) ? Qt::Checked : Qt::Unchecked);
    }
    for (std::size_t i = 0; i < m_flagBoxes.size(); ++i) {
        m_flagBoxes[i]->setChecked(record.*FLAGS[i] != 0);
    }
    m_soundFile->setText(text(record.SoundFile));
    m_sendMessage->setChecked(record.NotifySendMessage != 0);
    m_computers->setText(text(record.ComputerList));
    m_sizeLimited->setChecked(record.ARPLogSizeLimited != 0);
    m_sizeMB->setValue(shownSize(record));
    updateDependentEnabling();
}

void OptionsPage::storeInto(Settings& record) {
    record.AdapterCount = 0;
    for (int i = 0; i < adapterCount() && record.AdapterCount < MAX_ADAPTERS; ++i) {
        if (adapterChecked(i)) {
            setFieldText(record.AdapterNames[static_cast<std::size_t>(record.AdapterCount++)],
                         m_adapters[static_cast<std::size_t>(i)].name);
        }
    }
    for (std::size_t i = 0; i < m_flagBoxes.size(); ++i) {
        record.*FLAGS[i] = m_flagBoxes[i]->isChecked() ? 1 : 0;
    }
    setFieldText(record.SoundFile, m_soundFile->text().toStdString());
    record.NotifySendMessage = m_sendMessage->isChecked() ? 1 : 0;
    setFieldText(record.ComputerList, m_computers->text().toStdString());
    record.ARPLogSizeLimited = m_sizeLimited->isChecked() ? 1 : 0;
    record.ARPLogSizeMB = m_sizeMB->value();
    m_soundFile->setText(text(record.SoundFile));
    m_computers->setText(text(record.ComputerList));
}

bool OptionsPage::differsFrom(const Settings& record) const {
    for (int i = 0; i < adapterCount(); ++i) {
        if (adapterChecked(i) != isSelected(record, m_adapters[static_cast<std::size_t>(i)].name)) {
            return true;
        }
    }
    for (std::size_t i = 0; i < m_flagBoxes.size(); ++i) {
        if (m_flagBoxes[i]->isChecked() != (record.*FLAGS[i] != 0)) {
            return true;
        }
    }
    return m_soundFile->text() != text(record.SoundFile) ||
           m_sendMessage->isChecked() != (record.NotifySendMessage != 0) ||
           m_sizeLimited->isChecked() != (record.ARPLogSizeLimited != 0) ||
           m_sizeMB->value() != shownSize(record) ||
           m_computers->text() != text(record.ComputerList);
}

int OptionsPage::adapterCount() const {
    return std::min(m_adapterList->count(), static_cast<int>(m_adapters.size()));
}

bool OptionsPage::adapterChecked(int index) const {
    return m_adapterList->item(index)->checkState() == Qt::Checked;
}

} // namespace qv
