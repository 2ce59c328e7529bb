// The fixed list of class registrations that EnsureClassesRegistered runs once per
// process, in this order. Each area of the component declares its registration function
// here (a function calling RegisterClass for each of its classes) and appends it to
// kClassRegistrations. A registration function only registers: creating an object from
// it would wait on the very list being run.
#pragma once

namespace orvalis {

using ClassRegistration = void (*)();

// Runs the registration installed with SetTestClassRegistration; nothing when none is.
void RunTestClassRegistration();

// For tests: a registration for the list to run. Takes effect only when installed before
// the list runs (before the first CreateObject or RegisteredClasses in the process).
void SetTestClassRegistration(ClassRegistration registration);

// Defined with the classes of each area.
void RegisterDatabaseClasses();
void RegisterApuracaoClasses();
void RegisterDatabaseConversionClasses();
void RegisterRecordClasses();

inline constexpr ClassRegistration kClassRegistrations[] = {
    &RegisterDatabaseClasses, &RegisterApuracaoClasses,  &RegisterDatabaseConversionClasses,
    &RegisterRecordClasses,   &RunTestClassRegistration,
};

}  // namespace orvalis
