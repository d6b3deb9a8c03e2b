#ifndef ZAMCORE_ZAMCORE_H
#define ZAMCORE_ZAMCORE_H

// The whole public interface of the engine. Hosts include this header.

#include "zamcore/configuration/node.h"
#include "zamcore/configuration/sel_option_set.h"
#include "zamcore/configuration/validation_error.h"
#include "zamcore/configuration/validator.h"
#include "zamcore/configuration/write_trace.h"
#include "zamcore/expressions/condition_exp.h"
#include "zamcore/expressions/exp_root.h"
#include "zamcore/expressions/rkl_exp.h"
#include "zamcore/language/lexer.h"
#include "zamcore/language/path.h"
#include "zamcore/model/module.h"
#include "zamcore/model/option.h"
#include "zamcore/model/option_value.h"
#include "zamcore/model/window.h"
#include "zamcore/revision.h"
#include "zamcore/runtime/exception.h"
#include "zamcore/runtime/export.h"
#include "zamcore/runtime/ref_count.h"
#include "zamcore/runtime/ref_count_ptr.h"
#include "zamcore/runtime/zam.h"
#include "zamcore/translation/translater.h"
#include "zamcore/values/value.h"

#endif
