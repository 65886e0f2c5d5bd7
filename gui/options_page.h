#pragma once

#include <array>
#include <string>
#include <vector>

#include <QWidget>

#include "settings/settings.h"

class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace qv {

class SharedSettings;
class SoundPlayer;

// An entry of the adapter list: what the user sees and the name the settings keep.
struct AdapterEntry {
    std::string displayText;
    std::string name;
};

// The Options page (tsOptions): shows the Settings record in its controls and stores them back
// on Apply. It writes no file and changes nothing in the record by itself.
class OptionsPage : public QWidget {
    Q_OBJECT
public:
    OptionsPage(SoundPlayer& sound, SharedSettings& settings, QWidget* parent = nullptr);

    // FormShow's settings part: every control shows the record; edits not applied are gone.
    void showSettings(const Settings& record, const std::vector<AdapterEntry>& adapters);
    // Apply's steps for the page's controls: adapters, flags, texts (cut at a character boundary
    // to the record's fields) and the ARP log's size limit. The shown texts follow what was
    // stored, so that a cut text does not stay a pending change.
    void storeInto(Settings& record);
    // The Apply-enabled check for the page's controls.
    bool differsFrom(const Settings& record) const;

    int adapterCount() const;
    bool adapterChecked(int index) const;

signals:
    // Any control changed; the window then runs the Apply-enabled check.
    void edited();

private:
    QWidget* buildAdapters();
    QWidget* buildEvents();
    QWidget* buildNotifications();
    void updateDependentEnabling();
    void browseSound();
    void bAdvancedClick();
    bool eventFilter(QObject* watched, QEvent* event) override;

    SoundPlayer& m_sound;
    SharedSettings& m_settings;
    std::vector<AdapterEntry> m_adapters;
    QListWidget* m_adapterList;
    QCheckBox* m_sizeLimited;
    QSpinBox* m_sizeMB;
    std::array<QCheckBox*, 10> m_flagBoxes{};
    QLineEdit* m_soundFile;
    QPushButton* m_browseSound;
    QPushButton* m_play;
    QCheckBox* m_sendMessage;
    QLineEdit* m_computers;
    QPushButton* m_tuning;
};

} // namespace qv
