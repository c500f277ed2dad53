// The probe as a named module. Its package is not exported: the launcher opens it to the runtime.
module test.probe {
}
