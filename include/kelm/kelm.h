// KelmLib: every public header of the library, for hosts that want one include.
#pragma once

#include "platform/archive.h"
#include "platform/array.h"
#include "platform/code_page.h"
#include "platform/exception.h"
#include "platform/file.h"
#include "platform/file_attributes.h"
#include "platform/file_operations.h"
#include "platform/message.h"
#include "platform/error.h"
#include "platform/path.h"
#include "platform/registry.h"
#include "platform/profile.h"
#include "platform/stream.h"
#include "platform/object.h"
#include "platform/string.h"
#include "platform/time.h"
#include "platform/types.h"
#include "platform/spelling/default_lexicons.h"
#include "platform/spelling/ssce.h"
#include "platform/serial/comm.h"
#include "platform/dao/dao_database.h"
#include "platform/dao/dao_exception.h"
#include "platform/dao/dao_recordset.h"
#include "platform/dao/ole_variant.h"

#include "strokes/steno.h"

#include "textrules/tran_flags.h"
#include "textrules/string_rules.h"

#include "rtf/rtf_control_words.h"
#include "rtf/rtf_token.h"
#include "rtf/rtf_scanner.h"
#include "rtf/rtf_parser_client.h"
#include "rtf/rtf_parser.h"
#include "rtf/rtf_export.h"
#include "strokes/stroke.h"
#include "strokes/writer_stream.h"

#include "keyboard/keyboard_command.h"
#include "keyboard/keyboard_table.h"

#include "settings/orvalis_data.h"
#include "settings/translator_settings.h"
#include "settings/auto_complete_options.h"

#include "spell/kept_spell_checker.h"
#include "spell/spell_checker.h"

#include "comm/comm_port.h"

#include "tableview/entry_count_recordset.h"

#include "dictionary/steno_dictionary.h"
#include "dictionary/rtf_cre_writer.h"
#include "translation/translator.h"
#include "translation/live_translator.h"
