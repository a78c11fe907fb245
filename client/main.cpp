#include "CVantorApp.h"

int main(int argc, char** argv) {
    return vantor::client::CVantorApp::Run(argc, argv);
}
