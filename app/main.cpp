#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QString::fromUtf8("Tamsel录音机"));
  window.resize(490, 395);
  window.show();
  return app.exec();
}
