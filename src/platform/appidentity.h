#pragma once

// Names under which the platform keeps this program's settings and data.
namespace AppIdentity {
constexpr char kOrganisation[] = "Quillane";
constexpr char kApplication[] = "Quillane Reminder";

// Sets the organisation and application names Qt derives the per-user folders from.
void apply();
} // namespace AppIdentity
