// jetwrite: builds a Jet 4 (.mdb) database from a readable JSON description.
//   jetwrite <description.json> <database.mdb>
#include <cstdio>

#include "jetwrite/jet_description.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: jetwrite <description.json> <database.mdb>\n");
    return 2;
  }
  try {
    jetwrite::DatabaseFromDescriptionFile(argv[1]).Write(argv[2]);
  } catch (const jetwrite::Error& e) {
    std::fprintf(stderr, "jetwrite: %s\n", e.what());
    return 1;
  }
  return 0;
}
