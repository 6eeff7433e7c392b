// The Qt back end's own check: whether a display can be reached before Qt starts.
#include "DisplayCheck.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

// Sets or clears environment variables for one test and puts them back afterwards.
class ScopedEnvironment {
public:
    void Set(const char *name, const QByteArray &value) {
        Remember(name);
        qputenv(name, value);
    }
    void Unset(const char *name) {
        Remember(name);
        qunsetenv(name);
    }
    ~ScopedEnvironment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->wasSet) {
                qputenv(it->name, it->value);
            } else {
                qunsetenv(it->name);
            }
        }
    }

private:
    struct Saved {
        const char *name;
        bool wasSet;
        QByteArray value;
    };
    void Remember(const char *name) {
        saved_.push_back({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
    }
    std::vector<Saved> saved_;
};

// A listening Unix socket, standing in for a compositor's.
class ListeningSocket {
public:
    explicit ListeningSocket(const QString &path) : fd_(socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::memcpy(address.sun_path, name.constData(),
                    std::min(sizeof address.sun_path - 1, std::size_t(name.size())));
        ok_ = fd_ >= 0 && bind(fd_, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
              listen(fd_, 1) == 0;
    }
    ~ListeningSocket() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    ListeningSocket(const ListeningSocket &) = delete;
    ListeningSocket &operator=(const ListeningSocket &) = delete;
    bool ok() const { return ok_; }

private:
    int fd_;
    bool ok_ = false;
};

// An X display number nobody serves: no socket and no lock file.
QByteArray DeadXDisplay() {
    int number = 77;
    while (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)) ||
           QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number))) {
        ++number;
    }
    return ":" + QByteArray::number(number);
}

} // namespace

class DisplayCheckTest : public QObject {
    Q_OBJECT

private slots:
    void missingDisplay_data();
    void missingDisplay();
};

void DisplayCheckTest::missingDisplay_data() {
    QTest::addColumn<QByteArray>("platformVariable");
    QTest::addColumn<QByteArray>("platformArgument");
    QTest::addColumn<QByteArray>("display");
    QTest::addColumn<QByteArray>("waylandDisplay");
    QTest::addColumn<bool>("missing");

    QTest::newRow("nothing set") << QByteArray() << QByteArray() << QByteArray() << QByteArray()
                                 << true;
    // A live X server is the end-to-end test's; here only a dead one.
    QTest::newRow("X display without a server")
        << QByteArray() << QByteArray() << DeadXDisplay() << QByteArray() << true;
    QTest::newRow("xcb asked for, only Wayland set")
        << QByteArray("xcb") << QByteArray() << QByteArray() << QByteArray("wayland-test") << true;
    QTest::newRow("Wayland display")
        << QByteArray() << QByteArray() << QByteArray() << QByteArray("wayland-test") << false;
    QTest::newRow("Wayland display without a socket")
        << QByteArray() << QByteArray() << QByteArray() << QByteArray("wayland-gone") << true;
    QTest::newRow("Wayland display beside a dead X display")
        << QByteArray() << QByteArray() << DeadXDisplay() << QByteArray("wayland-test") << false;
    QTest::newRow("Wayland asked for, only X set")
        << QByteArray("wayland") << QByteArray() << DeadXDisplay() << QByteArray() << true;
    QTest::newRow("xcb first in a list")
        << QByteArray("xcb;offscreen") << QByteArray() << QByteArray() << QByteArray() << true;
    QTest::newRow("offscreen") << QByteArray("offscreen") << QByteArray() << QByteArray()
                               << QByteArray() << false;
    QTest::newRow("argument wins over variable")
        << QByteArray("offscreen") << QByteArray("xcb") << QByteArray() << QByteArray() << true;
}

void DisplayCheckTest::missingDisplay() {
    QFETCH(QByteArray, platformVariable);
    QFETCH(QByteArray, platformArgument);
    QFETCH(QByteArray, display);
    QFETCH(QByteArray, waylandDisplay);
    QFETCH(bool, missing);
    QTemporaryDir runtime;
    QVERIFY(runtime.isValid());
    const ListeningSocket compositor(runtime.filePath(QStringLiteral("wayland-test")));
    QVERIFY(compositor.ok());
    ScopedEnvironment environment;
    environment.Set("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    const auto setOrUnset = [&](const char *name, const QByteArray &value) {
        value.isEmpty() ? environment.Unset(name) : environment.Set(name, value);
    };
    setOrUnset("QT_QPA_PLATFORM", platformVariable);
    setOrUnset("DISPLAY", display);
    setOrUnset("WAYLAND_DISPLAY", waylandDisplay);
    QByteArray program("tessaport-config");
    QByteArray option("-platform");
    std::vector<char *> argv{program.data()};
    if (!platformArgument.isEmpty()) {
        argv.push_back(option.data());
        argv.push_back(platformArgument.data());
    }

    const std::string reason = tessaport::MissingDisplayReason(int(argv.size()), argv.data());

    QCOMPARE(!reason.empty(), missing);
}

QTEST_GUILESS_MAIN(DisplayCheckTest)

#include "DisplayCheckTest.moc"
