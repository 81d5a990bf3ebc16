#pragma once

#include <QLocale>
#include <clocale>
#include <locale>
#include <string>

namespace velmora::test {

// Switches every locale the program could take a decimal separator from (the
// C library's, the C++ global one, Qt's default) to German, whose separator
// is ",", and puts them back when it goes out of scope. The set-up script
// generates de_DE.UTF-8; `cSwitched()` says whether the C library took it.
class CommaLocale {
 public:
  CommaLocale() : m_cLocale(std::setlocale(LC_ALL, nullptr)), m_qtLocale(QLocale()) {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"}) {
      if (std::setlocale(LC_ALL, name) != nullptr) {
        m_cSwitched = true;
        break;
      }
    }
    std::locale::global(std::locale(std::locale::classic(), new CommaPunct));
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  }
  ~CommaLocale() {
    std::setlocale(LC_ALL, m_cLocale.c_str());
    std::locale::global(m_cppLocale);
    QLocale::setDefault(m_qtLocale);
  }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;

  bool cSwitched() const { return m_cSwitched; }

 private:
  struct CommaPunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
  };

  std::string m_cLocale;
  std::locale m_cppLocale;
  QLocale m_qtLocale;
  bool m_cSwitched = false;
};

}  // namespace velmora::test
