// The geo subcommands of tyxgeo.
#include "cli_common.h"

namespace tyx::cli {

void AddGeoCommands(CLI::App& /*App*/)
{
    // Not yet built.
}

} // namespace tyx::cli
