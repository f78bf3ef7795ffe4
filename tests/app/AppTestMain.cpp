// GoogleTest inside a QApplication, without a display: the offscreen platform,
// and Chromium without its sandbox (the tests may run as root).
#include <QApplication>
#include <gtest/gtest.h>

#include "host/HttpFetch.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "qt.webenginecontext.info=false");
    ::testing::InitGoogleTest(&argc, argv);
    rongfan::InitHttp();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
