// The GUI application of the drawing tests: made before the first test, deleted after the last.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>

namespace {

class GuiAppEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!QCoreApplication::instance()) app_ = new QGuiApplication(argc_, argv_);
  }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
  }

 private:
  int argc_ = 1;
  char name_[12] = "test_render";
  char* argv_[2] = {name_, nullptr};
  QGuiApplication* app_ = nullptr;
};

::testing::Environment* const kGuiApp = ::testing::AddGlobalTestEnvironment(new GuiAppEnvironment);

}  // namespace
