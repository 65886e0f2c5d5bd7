// The event sound reaches a real sound server: a PulseAudio started here with a null sink, on a
// socket of the test's own, whose list of playing streams shows what Quorvane plays.

#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <thread>

#include "gui/canberra_sound_player.h"
#include "tests/support/temp_folder.h"

namespace qv {

class SoundTest : public QObject {
    Q_OBJECT

private:
    test::TempFolder m_root;
    QProcess m_server;
    QString m_socket;

    QString playing() {
        QProcess pactl;
        pactl.start("pactl", {"list", "sink-inputs"});
        pactl.waitForFinished(5000);
        return QString::fromUtf8(pactl.readAllStandardOutput());
    }
    static bool serverAnswers() {
        QProcess pactl;
        pactl.start("pactl", {"info"});
        return pactl.waitForFinished(5000) && pactl.exitStatus() == QProcess::NormalExit &&
               pactl.exitCode() == 0;
    }
    // A WAV file of `seconds` of a quiet tone, 8-bit mono at 8000 Hz.
    std::string wav(const char* name, int seconds) {
        const std::uint32_t samples = 8000u * static_cast<std::uint32_t>(seconds);
        std::vector<std::uint8_t> bytes = {
            'R', 'I', 'F', 'F', 0, 0, 0,   0,   'W', 'A',  'V',  'E', 'f', 'm',  't',
            ' ', 16,  0,   0,   0, 1, 0,   1,   0,   0x40, 0x1F, 0,   0,   0x40, 0x1F,
            0,   0,   1,   0,   8, 0, 'd', 'a', 't', 'a',  0,    0,   0,   0};
        auto put32 = [&](std::size_t at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i) {
                bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
            }
        };
        put32(4, 36 + samples);
        put32(40, samples);
        for (std::uint32_t i = 0; i < samples; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(128 + ((i / 10) % 2 == 0 ? 8 : -8)));
        }
        const auto path = m_root / name;
        test::writeBytes(path, bytes);
        return path.string();
    }

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable("pulseaudio").isEmpty() ||
            QStandardPaths::findExecutable("pactl").isEmpty()) {
            QSKIP("PulseAudio is missing (Debian packages pulseaudio and pulseaudio-utils)");
        }
        m_socket = QString::fromStdString((m_root / "native").string());
        qputenv("PULSE_SERVER", ("unix:" + m_socket).toUtf8());
        qputenv("HOME", QByteArray::fromStdString(m_root.path().string()));
        m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_server.start("pulseaudio",
                       {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                        "--disable-shm=yes", "--load=module-null-sink sink_name=quorvane_test",
                        "--load=module-native-protocol-unix auth-anonymous=1 socket=" + m_socket});
        QTRY_VERIFY_WITH_TIMEOUT(serverAnswers(), 10000);
    }
    void cleanupTestCase() {
        m_server.terminate();
        m_server.waitForFinished(5000);
    }

    void aSoundPlaysOnTheServerAndTheNextCutsItOff() {
        CanberraSoundPlayer player;
        const std::string first = wav("first.wav", 5);
        const std::string second = wav("second.wav", 5);
        std::thread([&] { player.playSound(first); }).join(); // as a capture thread would
        QTRY_VERIFY_WITH_TIMEOUT(playing().contains(QString::fromStdString(first)), 10000);
        QVERIFY(playing().contains("application.name = \"Quorvane\""));
        player.playSound(second);
        QTRY_VERIFY_WITH_TIMEOUT(playing().contains(QString::fromStdString(second)), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!playing().contains(QString::fromStdString(first)), 10000);
        player.stopSound();
        QTRY_VERIFY_WITH_TIMEOUT(!playing().contains("Quorvane"), 10000);
    }

    // A missing file plays nothing, and cuts off the sound playing. The sink shows it: a real
    // file played after it is the one stream there, and the missing one never was.
    void aMissingFileIsSilence() {
        CanberraSoundPlayer player;
        const std::string before = wav("before.wav", 5);
        player.playSound(before);
        QTRY_VERIFY_WITH_TIMEOUT(playing().contains(QString::fromStdString(before)), 10000);
        player.playSound((m_root / "gone.wav").string());
        QTRY_VERIFY_WITH_TIMEOUT(!playing().contains("Quorvane"), 10000);
        const std::string after = wav("after.wav", 5);
        player.playSound(after);
        QTRY_VERIFY_WITH_TIMEOUT(playing().contains(QString::fromStdString(after)), 10000);
        const QString streams = playing();
        QCOMPARE(streams.count("application.name = \"Quorvane\""), 1);
        QVERIFY(!streams.contains("gone.wav"));
        player.stopSound();
    }
};

} // namespace qv

QTEST_MAIN(qv::SoundTest)
#include "sound_test.moc"
