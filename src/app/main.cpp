// Start-up of the desktop program: the browser's proxy before any browser
// object exists, the desktop's services for the engine, the shared login, then
// MainWindow and the event loop until it closes.
#include <QApplication>
#include <QWebEngineProfile>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "app/DesktopServices.h"
#include "app/MainWindow.h"
#include "host/Host.h"
#include "host/HttpFetch.h"

#ifdef RONGFAN_TEST_HOOKS
#include "DesktopProbe.h"
#endif

int main(int argc, char** argv) {
    rongfan::KeepHeapForPages();
    rongfan::InitHttp();
    // WebEngine shares its GL context with the widgets; this must precede the application object.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("rongfan"));
    // The search chain keeps running while only the login window is open, and
    // closing the main window ends everything.
    QApplication::setQuitOnLastWindowClosed(false);

    rongfan::ApplyProxyFromEnvironment();
    rongfan::InstallDesktopHooks();
    rongfan::CookieBridge cookies(QWebEngineProfile::defaultProfile()->cookieStore());

    int code = 0;
    {
        rongfan::MainWindow window;
        QObject::connect(&window, &rongfan::MainWindow::Closed, &app, &QCoreApplication::quit);
        window.show();
#ifdef RONGFAN_TEST_HOOKS
        // Only the build the shutdown tests run: it searches and closes the window mid-step by itself.
        rongfan::testing::StartDesktopProbe(window);
#endif
        code = QApplication::exec();
    }
    // Walkers, harvesters and exports run detached; they end with the process
    // instead of racing the destruction of what they use.
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(code);
}
