// The toolkit boundary: what the window and the entry point rely on beyond plain Qt.
#include "ComboBoxes.h"
#include "Dialogs.h"
#include "DisplayCheck.h"
#include "TApplication.h"
#include "Text.h"
#include "WindowTestSupport.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using tessaport::testing::AnswerMessage;
using tessaport::testing::ClickAndAnswer;

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

class ToolkitTest : public QObject {
    Q_OBJECT

private slots:
    void trimRemovesControlCharactersAtTheEnds_data();
    void trimRemovesControlCharactersAtTheEnds();
    void setItemIndexSelectsOnlyPositionsInTheList_data();
    void setItemIndexSelectsOnlyPositionsInTheList();
    void showMessageIsAModalBoxWithOneOkButton();
    void failuresInHandlersAreShownAndTheProgramGoesOn();
    void missingDisplay_data();
    void missingDisplay();
};

void ToolkitTest::trimRemovesControlCharactersAtTheEnds_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("trimmed");
    QTest::newRow("spaces") << QByteArray("  Adlink  ") << QByteArray("Adlink");
    QTest::newRow("control characters")
        << QByteArray("\t\r\n\x01 Adlink\x1f\x7f\x20") << QByteArray("Adlink\x1f\x7f");
    QTest::newRow("inner spaces kept") << QByteArray(" Card  Maker ") << QByteArray("Card  Maker");
    QTest::newRow("code 0") << QByteArray("\0Adlink\0", 8) << QByteArray("Adlink");
    QTest::newRow("high bytes are text")
        << QByteArray("\xa0\xe9x\xff") << QByteArray("\xa0\xe9x\xff");
    QTest::newRow("all blank") << QByteArray(" \t\x01 ") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void ToolkitTest::trimRemovesControlCharactersAtTheEnds() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, trimmed);
    const std::string result = tessaport::Trim(std::string_view(text.constData(), text.size()));
    QCOMPARE(QByteArray::fromStdString(result), trimmed);
}

void ToolkitTest::setItemIndexSelectsOnlyPositionsInTheList_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("selected");
    QTest::newRow("first") << -1 << 0 << 0;
    QTest::newRow("last") << 0 << 19 << 19;
    QTest::newRow("one past the end") << 5 << 20 << -1;
    QTest::newRow("far past the end") << 5 << 1000 << -1;
    QTest::newRow("no selection") << 5 << -1 << -1;
    QTest::newRow("negative") << 5 << -5 << -1;
    QTest::newRow("already empty") << -1 << 25 << -1;
}

void ToolkitTest::setItemIndexSelectsOnlyPositionsInTheList() {
    QFETCH(int, before);
    QFETCH(int, position);
    QFETCH(int, selected);
    QComboBox list;
    for (int i = 0; i < 20; ++i) {
        list.addItem(QString::number(i));
    }
    list.setCurrentIndex(before);
    QSignalSpy picks(&list, &QComboBox::activated);

    tessaport::SetItemIndex(list, position);

    QCOMPARE(list.currentIndex(), selected);
    QCOMPARE(list.currentText(), selected < 0 ? QString() : QString::number(selected));
    QCOMPARE(picks.count(), 0);
}

void ToolkitTest::showMessageIsAModalBoxWithOneOkButton() {
    const auto shown =
        AnswerMessage([] { tessaport::ShowMessage(QStringLiteral("Something happened!!")); });

    QVERIFY(shown);
    QCOMPARE(shown->title, QApplication::applicationDisplayName());
    QCOMPARE(shown->text, "Something happened!!");
    QCOMPARE(shown->icon, QMessageBox::NoIcon);
    QCOMPARE(shown->buttonCount, 1);
    QVERIFY(shown->hasOk);
    QVERIFY(!QApplication::activeModalWidget());
}

void ToolkitTest::failuresInHandlersAreShownAndTheProgramGoesOn() {
    QWidget window;
    auto *failing = new QPushButton("Fail", &window);
    auto *strange = new QPushButton("Throw something else", &window);
    strange->move(0, 40);
    int handled = 0;
    connect(failing, &QPushButton::clicked, &window, [&] {
        ++handled;
        throw std::runtime_error("Handler failed");
    });
    connect(strange, &QPushButton::clicked, &window, [] { throw 42; });
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    for (int i = 0; i < 2; ++i) {
        const auto shown = ClickAndAnswer(failing);
        QVERIFY(shown);
        QCOMPARE(shown->text, "Handler failed");
        QCOMPARE(shown->icon, QMessageBox::Critical);
    }
    QCOMPARE(handled, 2);

    const auto shown = ClickAndAnswer(strange);
    QVERIFY(shown);
    QVERIFY(!shown->text.isEmpty());
    QVERIFY(window.isVisible());
}

void ToolkitTest::missingDisplay_data() {
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

void ToolkitTest::missingDisplay() {
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

int main(int argc, char *argv[]) {
    // The failure handler under test is the application object's.
    tessaport::TApplication app(argc, argv);
    app.setApplicationDisplayName(QStringLiteral("Toolkit Test"));
    ToolkitTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ToolkitTest.moc"
