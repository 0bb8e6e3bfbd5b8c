// The db subcommands of tyxgeo.
#include "cli_common.h"

namespace tyx::cli {

void AddDbCommands(CLI::App& /*App*/)
{
    // Not yet built.
}

} // namespace tyx::cli
