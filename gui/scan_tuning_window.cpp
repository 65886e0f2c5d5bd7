#include "gui/scan_tuning_window.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "common/text_scanners.h"
#include "gui/focus_chain.h"
#include "gui/typed_characters.h"

namespace qv {
namespace {

QPushButton* button(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false); // Enter never closes the window
    return b;
}

QSpinBox* spin(const char* name, const char* editName, int maximum, int value, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(1, maximum);
    box->setValue(std::clamp(value, 1, maximum));
    box->findChild<QLineEdit*>()->setObjectName(editName);
    return box;
}

void error(const QString& text) {
    QMessageBox::critical(nullptr, "Error!", text);
}

} // namespace

ScanTuningWindow::ScanTuningWindow(const Settings& record, QWidget* parent) : QDialog(parent) {
    setObjectName("fSCC");
    setWindowTitle("Tuning of \"Network scanning\"");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    m_interval = spin("udInterval", "eInterval", MAX_SCAN_INTERVAL, record.ScanInterval, this);
    m_requests = spin("udRequests", "eRequests", MAX_SCAN_REQUESTS, record.ScanRequests, this);
    auto* cancel = button("bCancel", "Cancel", this);
    auto* ok = button("bOK", "OK", this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildThresholds());
    layout->addWidget(buildList());
    layout->addLayout(buttons);
    for (int i = 0; i < ignoreCount(record); ++i) {
        m_list->addItem(
            QString::fromStdString(IPToText(record.IgnoreList[static_cast<std::size_t>(i)])));
    }
    for (QObject* watched : {static_cast<QObject*>(m_interval), static_cast<QObject*>(m_requests),
                             static_cast<QObject*>(m_ip)}) {
        watched->installEventFilter(this);
    }
    // The thresholds, the list's group, Cancel, OK.
    setFocusChain({m_interval, m_requests, m_ip, m_add, m_list, m_delete, cancel, ok});
    setFixedSize(sizeHint().expandedTo(QSize(319, 287)));
}

QWidget* ScanTuningWindow::buildThresholds() {
    auto* group = new QGroupBox("Scanning options", this);
    group->setObjectName("gbScanOptions");
    auto* interval = new QLabel("Time interval, sec", group);
    interval->setObjectName("lInterval");
    auto* requests = new QLabel("Maximum ARP requests", group);
    requests->setObjectName("lRequests");
    auto* layout = new QGridLayout(group);
    layout->addWidget(interval, 0, 0);
    layout->addWidget(m_interval, 0, 1);
    layout->addWidget(requests, 1, 0);
    layout->addWidget(m_requests, 1, 1);
    return group;
}

QWidget* ScanTuningWindow::buildList() {
    auto* group = new QGroupBox("White IP list", this);
    group->setObjectName("gbIgnoreWhileScan");
    m_ip = new QLineEdit(group);
    m_ip->setObjectName("eIP");
    m_add = button("bAdd", "Add", group);
    m_delete = button("bDelete", "Delete", group);
    m_delete->setEnabled(false);
    m_list = new QListWidget(group);
    m_list->setObjectName("lbIgnoreWhileScan");
    m_list->setSortingEnabled(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* layout = new QGridLayout(group);
    layout->addWidget(m_ip, 0, 0);
    layout->addWidget(m_add, 0, 1);
    layout->addWidget(m_list, 1, 0, 2, 1);
    layout->addWidget(m_delete, 1, 1, Qt::AlignTop);
    connect(m_add, &QPushButton::clicked, this, &ScanTuningWindow::bAddClick);
    connect(m_delete, &QPushButton::clicked, this, &ScanTuningWindow::bDeleteClick);
    // However the entry was chosen, by the mouse or the keyboard.
    connect(m_list, &QListWidget::itemSelectionChanged, this,
            [this] { m_delete->setEnabled(!m_list->selectedItems().isEmpty()); });
    return group;
}

// Refuses an address that is none, one already listed, and one more than the list can hold.
bool ScanTuningWindow::add(const QString& typed) {
    const IPv4Address address = FindIPInText(typed.toStdString());
    if (address == ZERO_IP) {
        error("Enter correct IP address!");
        return false;
    }
    const QString text = QString::fromStdString(IPToText(address));
    if (!m_list->findItems(text, Qt::MatchExactly).isEmpty()) {
        error("This IP address already exists in list!");
        return false;
    }
    if (m_list->count() >= MAX_IGNORED) {
        error(IGNORE_LIST_FULL);
        return false;
    }
    m_list->addItem(text);
    return true;
}

void ScanTuningWindow::bAddClick() {
    add(m_ip->text());
}

void ScanTuningWindow::bDeleteClick() {
    for (QListWidgetItem* item : m_list->selectedItems()) {
        delete item;
    }
}

QStringList ScanTuningWindow::addresses() const {
    QStringList list;
    for (int i = 0; i < m_list->count(); ++i) {
        list << m_list->item(i)->text();
    }
    return list;
}

void ScanTuningWindow::store(Settings& record) const {
    record.ScanInterval = m_interval->value();
    record.ScanRequests = m_requests->value();
    record.IgnoreCount = 0;
    for (const QString& text : addresses()) {
        if (record.IgnoreCount < MAX_IGNORED) {
            record.IgnoreList[static_cast<std::size_t>(record.IgnoreCount++)] =
                FindIPInText(text.toStdString());
        }
    }
}

// The number fields take the digits and the address field the digits and '.', of the characters
// typed; Enter in the address field adds what it holds and empties it, whether or not it was
// added. Every other key keeps its meaning (Enter elsewhere presses no button: none is default).
bool ScanTuningWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QDialog::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (watched == m_ip && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        add(m_ip->text());
        m_ip->clear();
        return true;
    }
    return typesForbiddenCharacter(*key, watched == m_ip ? "0123456789." : "0123456789");
}

} // namespace qv
