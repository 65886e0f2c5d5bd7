#pragma once

#include <functional>

#include <QUrl>
#include <QWidget>

namespace qv {

class ClickableLabel;

// Opens a web page: normal or maximised window (a desktop browser picks its own window state,
// so the two differ only where the platform lets them).
using OpenPage = std::function<void(const QUrl& page, bool maximised)>;

// The About page (tsAbout): a picture that fills it, a notice line and three links to the
// product's page.
class AboutPage : public QWidget {
    Q_OBJECT
public:
    AboutPage(OpenPage openPage, QWidget* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void lClick(const QString& name);

    OpenPage m_openPage;
};

} // namespace qv
