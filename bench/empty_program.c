/* The cost of any process under Wine: the baseline for the launcher's own start-up. */
int wmain(void) {
  return 0;
}
