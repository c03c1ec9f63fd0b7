from hypothesis import HealthCheck, settings

# The machines that run these tests are shared and their load varies: no test
# fails for being slow, neither an example past a deadline nor slow generation.
settings.register_profile("shared_machine", deadline=None,
                          suppress_health_check=[HealthCheck.too_slow])
settings.load_profile("shared_machine")
