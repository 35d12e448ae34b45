// The guide window "簡単ガイド" (the fixed 27 lines and OK) and the about
// window (title, version, what the tool is built on, licences, the
// system-information button). Both modeless; closing discards them.
#pragma once

#include <QWidget>

namespace kk::dialogs {

class GuideWindow final : public QWidget {
    Q_OBJECT
public:
    explicit GuideWindow(QWidget* parent = nullptr);
};

class AboutWindow final : public QWidget {
    Q_OBJECT
public:
    AboutWindow(const QString& appTitle, int major, int minor, int revision, QWidget* parent = nullptr);

signals:
    void systemInfoRequested();  // cmdSysInfo
};

// "ﾊﾞｰｼﾞｮﾝ 1.2.30"
QString versionText(int major, int minor, int revision);

}  // namespace kk::dialogs
