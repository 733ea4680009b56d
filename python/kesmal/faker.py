"""A Faker provider of identity-card numbers that pass kesmal's checks.

    from faker import Faker
    from kesmal.faker import Provider
    fake = Faker()
    fake.add_provider(Provider)
    fake.cn_id(sex="female", birth="1985-05-03")

Each number's seed is drawn from the generator's own random source, so seeding
Faker (Faker.seed, or fake.seed / fake.seed_instance in older Fakers) makes
the numbers reproducible. The keywords are those of kesmal.make.
"""
from faker.providers import BaseProvider

import kesmal


class Provider(BaseProvider):
    def _id(self, jurisdiction, options):
        seed = self.generator.random.getrandbits(32)
        return kesmal.make(jurisdiction, seed=seed, **options)[0]

    def tw_id(self, **options):
        return self._id("tw", options)

    def hk_id(self, **options):
        return self._id("hk", options)

    def cn_id(self, **options):
        return self._id("cn", options)

    def cn15_id(self, **options):
        return self._id("cn15", options)

    def kr_id(self, **options):
        return self._id("kr", options)
