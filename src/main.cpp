#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("Nightjar Pro 2.3"));
    w.resize(1024, 700);
    w.show();
    return app.exec();
}
