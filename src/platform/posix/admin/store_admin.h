// The door of the store administration to the command-line tool: everything `corvane store` and
// the tool's other commands do to the user's stores and keys beyond the Windows calls. The tool
// includes this header and no other store, file or key header.
#pragma once

#include "platform/posix/admin/crl_import.h"
#include "platform/posix/admin/import_items.h"
#include "platform/posix/admin/store_check.h"
#include "platform/posix/admin/store_export.h"
#include "platform/posix/admin/store_files.h"
#include "platform/posix/admin/store_import.h"
#include "platform/posix/admin/store_removal.h"
#include "platform/posix/files/atomic_file.h"
#include "platform/posix/files/store_layout.h"
#include "platform/posix/files/update_lock.h"
#include "platform/posix/files/whole_file.h"
#include "platform/posix/keys/linked_key.h"
#include "platform/posix/keys/token_key.h"
#include "platform/posix/store/certificate_reference.h"
#include "platform/posix/store/certificate_x509.h"
#include "platform/posix/store/thumbprint.h"
