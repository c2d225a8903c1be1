#include "pipeline/BuildError.h"

namespace vorlap {

QString BuildError::description() const
{
    return std::visit([](const auto& error) { return error.description(); }, value);
}

} // namespace vorlap
