#include "AppContext.h"

#include "DataPaths.h"

namespace vantor::client {

std::string AppContext::File(const char* name) const {
    return DataPaths::Join(data_folder, name);
}

QString AppContext::SkinFolder() const {
    return QString::fromStdString(DataPaths::Join(program_folder, "skin/skin_default"));
}

}  // namespace vantor::client
