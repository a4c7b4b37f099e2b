#include "engine/CQVEngineApp.h"

int main(int argc, char** argv)
{
    qv::CQVEngineApp application;
    return application.Run(argc, argv);
}
