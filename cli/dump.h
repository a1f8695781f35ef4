// "pxc dump": the arguments after the word "dump".
#pragma once

int run_dump(int argc, char** argv);
