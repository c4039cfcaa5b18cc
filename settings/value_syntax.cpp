// Value syntax shared by every reader: comment cut, fixed values, priors and
// their registration in the prior table.
#include <cstring>
#include <iomanip>
#include <ostream>

#include "settings/settings.h"
#include "settings/value_syntax.h"
#include "support/globaldef.h"

bool prior_usable(const TDistributionSettings* p) {
  if (p == nullptr) return false;
  if (p->_distribution < UNIFORM || p->_distribution > BINOMIAL) return false;
  if (p->_num_params < 1 || static_cast<int>(p->_params.size()) < p->_num_params) return false;
  if (p->_distribution == LOG_UNIFORM && (p->_params[0] <= 0.0f || p->_params[1] <= 0.0f))
    return false;
  // The sampler gives no value (and no draw) for whole-number bounds or a
  // number of trials beyond the int range, nor for a negative number of
  // trials: such a prior would only ever give its no-value marker.
  const float int_edge = 2147483520.0f;
  if (p->_distribution == UNIFORM_DISCRETE &&
      !(p->_params[0] > -int_edge && p->_params[0] < int_edge && p->_params[1] > -int_edge &&
        p->_params[1] < int_edge))
    return false;
  if (p->_distribution == BINOMIAL && !(p->_params[1] > -1.0f && p->_params[1] < int_edge))
    return false;
  return true;
}

bool read_record_token(std::istream& in, char (&token)[RECORD_TOKEN_SIZE]) {
  char next[RECORD_TOKEN_SIZE];
  next[0] = '\0';
  in >> std::setw(RECORD_TOKEN_SIZE) >> next;
  if (in.fail()) return false;
  std::memcpy(token, next, sizeof(next));
  token[RECORD_TOKEN_SIZE - 1] = '\0';
  return true;
}

void prepare_prior_text(my_string& text) {
  text.convert_slash_to_blank();
  my_string after = text.extract_after('*');
  text = after;
  text.convert_brackets_to_blank();
}

int parse_prior_text(my_string& text, TDistributionSettings* prior, float& value) {
  value = 0.0f;
  my_string name = text.extract_before(' ');
  if (name.is_null()) {
    // One leading blank is dropped; a second one leaves the name empty.
    my_string rest = text.extract_after(' ');
    text = rest;
    name = text.extract_before(' ');
  }
  DISTRIBUTIONS id = prior->translateDistributionEnum(name.c_str());
  if (id == NO_DISTRIBUTION) return 0;
  if (prior->addDistributionID(id) == 0) return 0;
  if (text.contains(' ')) {
    my_string rest = text.extract_after(' ');
    text = rest;
  }
  while (!text.is_null()) {
    my_string token = text.extract_before(' ');
    token.remove_blanks();
    float x = text_to_float(token.c_str());
    if (static_cast<double>(x) > static_cast<double>(value)) value = x;
    prior->_params.push_back(x);
    if (!text.contains(' ')) break;
    my_string rest = text.extract_after(' ');
    text = rest;
  }
  return prior_usable(prior) ? 1 : 0;
}

namespace {

void store_number(int& member, float f) { member = trunc_to_int(f); }
void store_number(float& member, float f) { member = f; }

}  // namespace

template <class T>
void Tsettings::getSimpleValues(my_string& text, T& member, const int& key) {
  cut_comment(text);
  if (text.contains("*")) {
    AOS << "ERROR: the parameter " << key << " must be given fixed values!" << std::endl;
    return;
  }
  text.remove_blanks();
  store_number(member, text_to_float(text.c_str()));
}

template <class T>
void Tsettings::getParameterValueNOString(my_string& text, T& member, const int& slot) {
  cut_comment(text);
  if (!text.contains("*")) {
    text.remove_blanks();
    store_number(member, text_to_float(text.c_str()));
    return;
  }
  prepare_prior_text(text);
  float v = 0.0f;
  FillABC_db(text, slot, v);  // a prior it cannot register raises _abc_error
  _abc_mode = true;
  store_number(member, v);
}

template void Tsettings::getSimpleValues<int>(my_string&, int&, const int&);
template void Tsettings::getParameterValueNOString<int>(my_string&, int&, const int&);
template void Tsettings::getParameterValueNOString<float>(my_string&, float&, const int&);

int Tsettings::FillABC_db(my_string& text, const int& slot, float& value) {
  if (slot < 0 || slot >= ABC_DB_SIZE) {
    // Parsed for its value only: the table has no such slot.
    TDistributionSettings scratch;
    parse_prior_text(text, &scratch, value);
    AOS << "ERROR: the prior for slot " << slot
        << " cannot be used: the prior table has only slots 0 to 99!" << std::endl;
    _abc_error = true;
    return 0;
  }
  return install_prior(_abc_db[slot], text, value);
}

int Tsettings::FillRoutePrior(my_string& text, const int& route, float& value) {
  if (route < 0) {
    TDistributionSettings scratch;
    parse_prior_text(text, &scratch, value);
    _abc_error = true;
    return 0;
  }
  if (static_cast<int>(_route_abc_db.size()) <= route) _route_abc_db.resize(route + 1, nullptr);
  return install_prior(_route_abc_db[route], text, value);
}

// A prior registered again replaces the one before it in its cell.
int Tsettings::install_prior(TDistributionSettings*& cell, my_string& text, float& value) {
  if (cell != nullptr) delete cell;
  cell = new TDistributionSettings();
  if (parse_prior_text(text, cell, value) == 0) {
    _abc_error = true;
    return 0;
  }
  ++_num_abc_params;
  return 1;
}
