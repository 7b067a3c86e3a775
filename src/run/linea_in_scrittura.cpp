#include "run/linea_in_scrittura.h"

#include <stdexcept>
#include <utility>

#include "formats/file_binari.h"

namespace scen {

linea_in_scrittura::linea_in_scrittura(folder& dir, std::string nome) : dir_(dir), nome_(std::move(nome)) {}

linea_in_scrittura::~linea_in_scrittura() {
  avanzamento_.abbandona();
  lavoro_.reset();
  if (scritto_) dir_.discard(*scritto_);
}

void linea_in_scrittura::metri_pronti(const piano& p, std::int64_t metri) {
  if (piano_ == nullptr) avvia(p);
  avanzamento_.pubblica(metri);
}

void linea_in_scrittura::completa(const modello& m) {
  if (piano_ == nullptr && !m.planimetria) {
    avanzamento_.abbandona();
    return;
  }
  if (piano_ == nullptr) avvia(*m.planimetria);
  avanzamento_.completa();
}

staged_file linea_in_scrittura::prendi() {
  if (mancato_) std::rethrow_exception(mancato_);
  if (piano_ == nullptr) throw std::logic_error("the line data file needs the plan view");
  lavoro_->wait();
  staged_file fatto = std::move(*scritto_);
  scritto_.reset();
  return fatto;
}

// The compile's thread: creates the file, then starts the writer. A file
// that cannot be created fails the run where writing it would have, after
// the compile: the failure waits for prendi().
void linea_in_scrittura::avvia(const piano& p) {
  piano_ = &p;
  try {
    file_.emplace(dir_.create_temporary(nome_));
  } catch (const platform_error&) {
    mancato_ = std::current_exception();
    avanzamento_.abbandona();
    return;
  }
  lavoro_.emplace([this] { scrivi(); });
}

// The writer's thread: each metre once it is final.
void linea_in_scrittura::scrivi() {
  codifica_linea(*piano_, file_->sink(), avanzamento_);
  scritto_ = file_->finish();
}

}  // namespace scen
