// tyxgeo: command-line access to the Tyx geographic components.
// Exit codes: 0 success, 1 bad input data, 2 usage error; messages go to stderr.
#include "cli_common.h"

#include <cstdio>
#include <exception>
#include <iostream>

int main(int argc, char** argv)
{
    using namespace tyx::cli;
    CLI::App app{"tyxgeo: geodesy, geographic databases and calibrated maps from the command line"};
    app.require_subcommand(1);
    app.set_help_all_flag("--help-all", "Show the help of every subcommand");

    app.set_version_flag("--version", TYX_VERSION);
    app.add_subcommand("version", "Print the library version")->callback([] { std::cout << TYX_VERSION << '\n'; });
    AddGeoCommands(app);
    AddDbCommands(app);
    AddCalibCommands(app);
    AddRenderCommands(app);
    AddLandMarkCommands(app);
    AddAtlasCommands(app);
    AddGeoRefCommands(app);
    AddCalibFitCommand(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    } catch (const UsageError& e) {
        std::cerr << "tyxgeo: " << e.what() << '\n';
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "tyxgeo: " << e.what() << '\n';
        return 1;
    }
    std::cout.flush();
    return ExitCode();
}
