#include "gui/app/quillet_app.h"

int main(int argc, char** argv) {
  quillet::CQuilletApp app(argc, argv);
  if (!app.InitInstance()) return 1;
  return app.exec();
}
