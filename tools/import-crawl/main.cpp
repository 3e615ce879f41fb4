// lanzhou-import-crawl: import-crawl as a program of its own (see import_crawl_command.h).
#include <iostream>
#include <string>
#include <vector>

#include "import/import_crawl_command.h"

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
  if (words.size() == 1 && (words[0] == "--help" || words[0] == "-h")) {
    std::cout << lanzhou::import::ImportCrawlHelp();
    return 0;
  }
  return lanzhou::import::RunImportCrawl(words, std::cout, std::cerr);
}
